#include <string>
#include <utility>

#include "app/handlers.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "runtime/convert.h"
#include "runtime/file.h"
#include "runtime/system_code_page.h"
#include "ui/component_model.h"
#include "ui/file_dialog.h"

namespace {

// How the open document's file turned its bytes into text; every save turns the text back the
// same way. A new document is GBK, bytes as they are.
DocumentEncoding documentEncoding = DocumentEncoding::Gbk;

Text contentOf(UnitId box) { return readProperty(MainWindow, box, Content).asText(); }

ByteBuffer documentBytes(const Text& text) {
  if (documentEncoding == DocumentEncoding::Gbk) return toBytes(text);
  return ByteBuffer::copyOf(encodeDocument(text.view(), documentEncoding, systemCodePage()));
}

bool saveInputTo(const char* path) {
  return writeFileBytes(path, documentBytes(contentOf(InputBox)));
}

const char* refusalText(OpenRefusal why) {
  switch (why) {
    case OpenRefusal::ZeroByte:
      return "文件中有零字节，不是文本文件";
    case OpenRefusal::Unrepresentable:
      return "文件中有GBK编码无法表示的字符";
    case OpenRefusal::DamagedUtf16:
      return "UTF-16文件不完整或已损坏";
    default:
      return "文件既不是完整的GBK文本，也不是UTF-8文本";
  }
}

// Loads a file into PathBox and InputBox. A file that cannot be read, or whose bytes the text
// box could not give back unchanged, leaves both as they were.
bool openDocument(const std::string& path) {
  ByteBuffer bytes;
  if (!tryReadFileBytes(path.c_str(), bytes)) {
    showStatus(("无法打开文件" + path).c_str());
    return false;
  }
  DecodedDocument decoded = decodeDocument(bytes.view(), systemCodePage());
  if (decoded.refusal != OpenRefusal::None) {
    showStatus(("无法打开文件" + path + "：" + refusalText(decoded.refusal)).c_str());
    return false;
  }
  writeProperty(MainWindow, PathBox, Content, path.c_str());
  Text text =
      decoded.encoding == DocumentEncoding::Gbk ? toText(bytes) : Text::copyOf(decoded.text);
  // Gone before the text box makes its own copies of a large file.
  bytes = ByteBuffer();
  decoded.text = std::string();
  writeProperty(MainWindow, InputBox, Content, std::move(text));
  documentEncoding = decoded.encoding;
  noteTextInFile();
  return true;
}

bool chooseFile(int32_t type) {
  writeProperty(MainWindow, FileDialog1, DialogType, type);
  return showDialog(MainWindow, FileDialog1);
}

}  // namespace

void onOpenFileClicked() {
  if (chooseFile(0)) {
    std::string path = readProperty(MainWindow, FileDialog1, FileName).c_str();
    if (!openDocument(path)) return;
  }
  showStatus("已打开用户选择文件");
}

void onSaveFileClicked() {
  if (chooseFile(1)) {
    std::string path = readProperty(MainWindow, FileDialog1, FileName).c_str();
    if (!saveInputTo(path.c_str())) {
      showStatus(("无法保存文件到" + path).c_str());
      return;
    }
    noteTextInFile();
  }
  showStatus("已保存用户选择文件");
}

// Nothing can change the text between the two writes, so it is read once. The backup is the
// program's own file and always GBK; its earlier version is set aside before either write, as
// PathBox may name the backup itself.
void onSaveToCurrentPathClicked() {
  std::string path = contentOf(PathBox).str();
  const Text text = contentOf(InputBox);
  const ByteBuffer backup = toBytes(text);
  keepPreviousVersion(kBackupFileName, kPreviousBackupFileName, backup);
  bool saved = documentEncoding == DocumentEncoding::Gbk
                   ? writeFileBytes(path.c_str(), backup)
                   : writeFileBytes(path.c_str(), documentBytes(text));
  bool backedUp = writeFileBytes(kBackupFileName, backup);
  std::string failed;
  if (!saved) failed += "无法保存文件到" + path;
  if (!backedUp)
    failed += std::string(failed.empty() ? "" : "；") + "无法保存文件到" + kBackupFileName;
  if (saved) noteTextInFile();
  if (!failed.empty()) return showStatus(failed.c_str());
  showStatus(("用户手动保存文件到" + path).c_str());
}

void onFilesDropped(const char* name) {
  // Several files arrive as one text, each path followed by CR LF: open the first.
  std::string first = name ? name : "";
  first = first.substr(0, first.find("\r\n"));
  if (openDocument(first)) showStatus("已打开用户拖放的文件");
}

void onPathBoxChanged() { showStatus("要保存的位置已改变"); }

void onInputBoxChanged() {
  showStatus("正在输入内容-当前内容未被保存");
  noteTextChanged();
}

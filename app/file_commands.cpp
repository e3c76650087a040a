#include <string>
#include <utility>
#include <vector>

#include "app/file_safety.h"
#include "app/handlers.h"
#include "app/main_window.h"
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

// The status of a failed save; it names the journal that still holds the file's old bytes when
// they could not be put back.
std::string cannotSave(const std::string& path, const SaveOutcome& outcome) {
  std::string status = "无法保存文件到" + path;
  if (!outcome.oldBytesIn.empty()) addClause(status, "原内容在" + outcome.oldBytesIn);
  return status;
}

// A save into a folder first settles what killed processes left there.
std::vector<InterruptedWrite> settleFolderOf(const std::string& path) {
  return finishInterruptedWrites(folderOf(path));
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

// Loads a file into PathBox and InputBox and shows `opened`. A file that cannot be read, or
// whose bytes the text box could not give back unchanged, leaves both as they were. A write
// of the file that a killed process left unfinished is finished or undone first.
bool openDocument(const std::string& path, const char* opened) {
  const std::string settled = interruptedWritesClause(finishInterruptedWritesOf(path.c_str()));
  auto refuse = [&](std::string status) {
    addClause(status, settled);
    showStatus(status.c_str());
    return false;
  };
  ByteBuffer bytes;
  if (!tryReadFileBytes(path.c_str(), bytes)) return refuse("无法打开文件" + path);
  DecodedDocument decoded = decodeDocument(bytes.view(), systemCodePage());
  if (decoded.refusal != OpenRefusal::None)
    return refuse("无法打开文件" + path + "：" + refusalText(decoded.refusal));
  writeProperty(MainWindow, PathBox, Content, path.c_str());
  Text text =
      decoded.encoding == DocumentEncoding::Gbk ? toText(bytes) : Text::copyOf(decoded.text);
  // Gone before the text box makes its own copies of a large file.
  bytes = ByteBuffer();
  decoded.text = std::string();
  writeProperty(MainWindow, InputBox, Content, std::move(text));
  documentEncoding = decoded.encoding;
  std::string status = opened;
  addClause(status, settled);
  showStatus(status.c_str());
  return true;
}

bool chooseFile(int32_t type) {
  writeProperty(MainWindow, FileDialog1, DialogType, type);
  return showDialog(MainWindow, FileDialog1);
}

}  // namespace

void onOpenFileClicked() {
  if (chooseFile(0)) {
    openDocument(readProperty(MainWindow, FileDialog1, FileName).c_str(), "已打开用户选择文件");
    return;
  }
  showStatus("已打开用户选择文件");
}

// Saving over the backup is a refresh of the backup: its earlier version is kept first.
void onSaveFileClicked() {
  if (!chooseFile(1)) return showStatus("已保存用户选择文件");
  const std::string path = readProperty(MainWindow, FileDialog1, FileName).c_str();
  const std::vector<InterruptedWrite> settled = settleFolderOf(path);
  const Text text = contentOf(InputBox);
  std::string status = "已保存用户选择文件";
  if (namesBackup(path)) {
    const BackupRefresh refresh = refreshBackup(toBytes(text));
    if (!refresh.written) status.clear();
    addClause(status, refresh.clause);
  } else {
    const ByteBuffer bytes = documentBytes(text);
    if (const SaveOutcome saved = saveFileBytes(path.c_str(), {&bytes}); !saved.written)
      status = cannotSave(path, saved);
  }
  addClause(status, interruptedWritesClause(settled));
  showStatus(status.c_str());
}

// Nothing can change the text between the two writes, so it is read once. The backup is the
// program's own file and always GBK. When PathBox names the backup, the refresh of the backup is
// the save. When it names the backup's previous version, that file is the user's document now:
// the backup is left as it is, since its earlier version would have to go where the document
// goes.
void onSaveToCurrentPathClicked() {
  const std::string path = contentOf(PathBox).str();
  const Text text = contentOf(InputBox);
  const ByteBuffer backup = toBytes(text);
  std::vector<InterruptedWrite> settled = settleFolderOf(path);
  for (InterruptedWrite& write : finishInterruptedWrites("")) settled.push_back(std::move(write));

  std::string status = "用户手动保存文件到" + path;
  if (namesBackup(path)) {
    const BackupRefresh refresh = refreshBackup(backup);
    if (!refresh.written) status.clear();
    addClause(status, refresh.clause);
  } else {
    const bool gbk = documentEncoding == DocumentEncoding::Gbk;
    const ByteBuffer converted = gbk ? ByteBuffer() : documentBytes(text);
    const SaveOutcome saved = saveFileBytes(path.c_str(), {gbk ? &backup : &converted});
    if (!saved.written) status = cannotSave(path, saved);
    if (!namesPreviousBackup(path)) {
      addClause(status, refreshBackup(backup).clause);
    } else if (!backupHolds(backup)) {
      addClause(status, std::string(kBackupFileName) + "未更新，仍是上次的备份");
    }
  }
  addClause(status, interruptedWritesClause(settled));
  showStatus(status.c_str());
}

void onFilesDropped(const char* name) {
  // Several files arrive as one text, each path followed by CR LF: open the first.
  std::string first = name ? name : "";
  first = first.substr(0, first.find("\r\n"));
  openDocument(first, "已打开用户拖放的文件");
}

void onPathBoxChanged() { showStatus("要保存的位置已改变"); }

void onInputBoxChanged() { showStatus("正在输入内容-当前内容未被保存"); }

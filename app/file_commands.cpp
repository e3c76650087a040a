#include <string>
#include <utility>

#include "app/handlers.h"
#include "app/main_window.h"
#include "runtime/convert.h"
#include "runtime/file.h"
#include "ui/component_model.h"
#include "ui/file_dialog.h"

namespace {

Text contentOf(UnitId box) { return readProperty(MainWindow, box, Content).asText(); }

bool saveInputTo(const char* path) {
  ByteBuffer bytes = toBytes(contentOf(InputBox));
  return writeFileBytes(path, bytes);
}

// Loads a file into PathBox and InputBox. A file that cannot be read leaves both as they were.
bool openDocument(const std::string& path) {
  ByteBuffer bytes;
  if (!tryReadFileBytes(path.c_str(), bytes)) {
    showStatus(("无法打开文件" + path).c_str());
    return false;
  }
  writeProperty(MainWindow, PathBox, Content, path.c_str());
  Text text = toText(bytes);
  bytes = ByteBuffer();  // gone before the text box makes its own copies of a large file
  writeProperty(MainWindow, InputBox, Content, std::move(text));
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
  }
  showStatus("已保存用户选择文件");
}

// Nothing can change the text between the two writes, so it is read and converted once: with
// a large document that halves the work of a save.
void onSaveToCurrentPathClicked() {
  std::string path = contentOf(PathBox).str();
  const ByteBuffer bytes = toBytes(contentOf(InputBox));
  bool saved = writeFileBytes(path.c_str(), bytes);
  bool backedUp = writeFileBytes(kBackupFileName, bytes);
  std::string failed;
  if (!saved) failed += "无法保存文件到" + path;
  if (!backedUp)
    failed += std::string(failed.empty() ? "" : "；") + "无法保存文件到" + kBackupFileName;
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

void onInputBoxChanged() { showStatus("正在输入内容-当前内容未被保存"); }

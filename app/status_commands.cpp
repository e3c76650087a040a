#include "app/handlers.h"
#include "app/main_window.h"
#include "runtime/message_box.h"
#include "ui/component_model.h"
#include "ui/status_bar.h"

namespace {

const char kHelpText[] =
    "本软件是Kestrin2.0的升级版。\r\n"
    "功能：\r\n"
    "1.记事本里的内容在关闭时会自动保存一份备份文件到软件同目录下\r\n"
    "2.可调节全局背景色和字体色、字号、是否加粗或倾斜\r\n"
    "3.可拖拽打开文件\r\n"
    "更新内容：\r\n"
    "1.去掉启动页，备份文件静默保存到本软件同目录，关闭窗口时无打扰\r\n"
    "2.字号调节改为按住ctrl键并滚动滚轮\r\n"
    "3.窗口大小可任意调节\r\n"
    "4.优化：优化菜单与保存读取快捷键，将字体字号功能整合到菜单\r\n"
    "5.加入状态条功能，可查看运行状态\r\n"
    "6.增加保护路径框功能，避免意外修改路径框（默认为保护，可在高级菜单找到设置）";

std::string gStatus;

}  // namespace

void showStatus(const char* message) {
  gStatus = message ? message : "";
  clearParts(MainWindow, StatusBar1);
  addPart(MainWindow, StatusBar1, textArg(gStatus.c_str()), intArg(-1));
}

const std::string& currentStatus() { return gStatus; }

void onProtectPathClicked() {
  writeProperty(MainWindow, PathBox, InputMode, 1);
  showStatus("路径框已被保护，现在用户不可编辑");
}

void onUnprotectPathClicked() {
  writeProperty(MainWindow, PathBox, InputMode, 0);
  showStatus("路径框取消保护，现在用户可以编辑");
}

void onHelpClicked() { showMessageBox(textArg(kHelpText), 0, textArg("帮助")); }

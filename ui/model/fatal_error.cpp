#include <cstdio>

#include "runtime/system_code_page.h"
#include "ui/model/component_model.h"

namespace {

FatalCallback gCallback = nullptr;
bool gInCallback = false;
void (*gExitForTests)(const char*) = nullptr;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

void setFatalCallback(FatalCallback callback) { gCallback = callback; }
void setFatalExitForTests(void (*exit)(const char*)) { gExitForTests = exit; }

std::string fatalLocationText(UnitId window, UnitId unit) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "\r\n%d, %d", static_cast<int>(window),
                static_cast<int>(unit));
  std::string text = numbers;
  if (isWindowDescriptionId(window)) {
    LoadedWindow* w = findLoadedWindow(window);
    if (!w) {
      text += "\r\n未找到所指定的窗口";
    } else {
      text += "\r\n" + quoted(w->description->name);
      LoadedUnit* u = w->find(unit);
      if (u && !u->record->isMenuItem())
        text += "\r\n" + quoted(u->record->name);
      else
        text += "\r\n未找到所指定的窗口组件";
    }
  }
  return text + "\r\n";
}

std::string fatalErrorText(const char* message, int code, UnitId window, UnitId unit) {
  std::string text = "运行时出错!\r\n";
  if (code != 0) text += "\r\n错误代码：" + std::to_string(code) + "\r\n";
  if (message && *message) text += std::string("\r\n错误信息：") + message + "\r\n";
  return text + fatalLocationText(window, unit);
}

void fatalError(const char* message, int code, UnitId window, UnitId unit) {
  holdEvents();  // never released again
  std::string location = fatalLocationText(window, unit);
  bool suppressed = false;
  if (gCallback && !gInCallback) {
    gInCallback = true;
    suppressed = gCallback(message ? message : "", location.c_str(), code) != 0;
    gInCallback = false;
  }
  if (gExitForTests) {
    releaseEvents();
    gExitForTests(message ? message : "");
  }
  if (!suppressed)
    MessageBoxA(nullptr, SystemText(fatalErrorText(message, code, window, unit)).c_str(), "错误",
                MB_ICONERROR);
  ExitProcess(static_cast<UINT>(-1));
}

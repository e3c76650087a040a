#include <string>

#include "app/handlers.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "runtime/convert.h"
#include "runtime/file.h"
#include "runtime/window_handle.h"
#include "ui/component_model.h"
#include "ui/drop_target.h"

namespace {
int32_t mainWindowSize(int index) {
  return readProperty(MainWindow, MainWindowUnit, index).asInt();
}

// The text goes to the backup, and then the recovery file, no longer needed, goes.
void keepText() {
  const ByteBuffer backup = toBytes(readProperty(MainWindow, InputBox, Content).asText());
  keepPreviousVersion(kBackupFileName, kPreviousBackupFileName, backup);
  endRecovery(writeFileBytes(kBackupFileName, backup));
}
}  // namespace

void onMainWindowCreated() {
  HWND window = getWindowHandle(MainWindow, MainWindowUnit);
  registerWindow(MainWindow, DropTarget1, window);
  writeProperty(MainWindow, MainWindowUnit, Height, 430);
  writeProperty(MainWindow, MainWindowUnit, Width, 728);
  writeProperty(MainWindow, InputBox, Height, mainWindowSize(Height) - 109);
  writeProperty(MainWindow, InputBox, Width, mainWindowSize(Width));
  std::string started = "程序已启动";
  if (const std::string notice = startRecovery(); !notice.empty()) started += "，" + notice;
  showStatus(started.c_str());
  ctrlHeld = 0;
}

void onMainWindowResized() {
  writeProperty(MainWindow, InputBox, Height, mainWindowSize(Height) - 109);
  writeProperty(MainWindow, InputBox, Width, mainWindowSize(Width));
  writeProperty(MainWindow, PathBox, Width, mainWindowSize(Width));
}

void onMainWindowDestroying() {
  HWND window = getWindowHandle(MainWindow, MainWindowUnit);
  revokeWindow(MainWindow, DropTarget1, window);
  keepText();
}

// Windows ends the process once this returns, without closing the window.
void onMainWindowSessionEnding() { keepText(); }

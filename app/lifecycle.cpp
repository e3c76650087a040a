#include <string>

#include "app/file_safety.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "runtime/convert.h"
#include "runtime/file.h"
#include "ui/model/window_handle.h"
#include "ui/components/drop_target/drop_target.h"
#include "ui/model/component_model.h"

namespace {
int32_t mainWindowSize(int index) {
  return readProperty(MainWindow, MainWindowUnit, index).asInt();
}

// The text goes to the backup, and then the recovery file, no longer needed, goes. Nothing can
// be shown any more: a text that the backup could not take is named at the next start, as newer
// than the backup, or kept in the recovery file when no file could take it. Without the memory
// for a whole copy of the text, the backup stays as it was rather than be replaced by an empty
// or cut one, and the recovery file stays.
void keepText() {
  const PropertyValue text = readProperty(MainWindow, InputBox, Content);
  const ByteBuffer backup = toBytes(text.asText());
  if (text.unreadable() || backup.size() != text.asText().size()) return endRecovery(false);
  endRecovery(refreshBackup(backup).kept);
}
}  // namespace

void onMainWindowCreated() {
  HWND window = getWindowHandle(MainWindow, MainWindowUnit);
  registerWindow(MainWindow, DropTarget1, window);
  writeProperty(MainWindow, MainWindowUnit, Height, 430);
  writeProperty(MainWindow, MainWindowUnit, Width, 728);
  writeProperty(MainWindow, InputBox, Height, mainWindowSize(Height) - 109);
  writeProperty(MainWindow, InputBox, Width, mainWindowSize(Width));
  // Writes that a killed process left unfinished in the program's folder are settled at start.
  std::string started = "程序已启动";
  addClause(started, interruptedWritesClause(finishInterruptedWrites("")));
  addClause(started, newerThanBackupClause());
  addClause(started, startRecovery());
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

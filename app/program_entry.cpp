#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>
#include <cstring>

#include "app/main_window.h"
#include "form/form_codec.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/loop/message_loop.h"
#include "ui/model/component_model.h"

#include "app/program_entry.h"

namespace {

void startRoutine() {}
void exitCallback() {}

void enterProgramDirectory() {
  char path[260];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  char* end = std::strrchr(path, '\\');
  if (!end) return;
  // "Q:\Quenlo.exe" lives in the root "Q:\"; "Q:" alone would name the drive's current folder.
  if (end == path + 2 && path[1] == ':') ++end;
  *end = '\0';
  SetCurrentDirectoryA(path);
}

// The form block is the executable's RCDATA resource "FORM"; it lives for the whole run.
void decodeEmbeddedForm() {
  static FormDescription form;
  HRSRC res = FindResourceA(nullptr, "FORM", MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL data = res ? LoadResource(nullptr, res) : nullptr;
  auto* bytes = data ? static_cast<const uint8_t*>(LockResource(data)) : nullptr;
  DWORD size = res ? SizeofResource(nullptr, res) : 0;
  if (!bytes || !decodeForm(bytes, size, applicationHandlers().size(), form))
    fatalError(FatalText::kFormData, 0, 0, 0);
  setHandlerTable(applicationHandlers());
  setForm(&form);
}

}  // namespace

int programEntry() {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icc);
  enterProgramDirectory();
  hiddenOwner();  // made before any window that it may own
  decodeEmbeddedForm();
  startRoutine();
  std::atexit(exitCallback);
  loadStartupWindow(MainWindow);
  runMessageLoop();
  return 0;
}

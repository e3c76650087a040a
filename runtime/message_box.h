#pragma once
#include <windows.h>

#include "form/unit_id.h"
#include "runtime/typed_value.h"

// Shows a standard message box and answers the button as 0 OK, 1 Cancel, 2 Abort, 3 Retry,
// 4 Ignore, 5 Yes, 6 No. `title` and `parent` may be left out (tag 0): the title is then
// "信息：" and the box has no owner. Task-modal unless the flags ask for system-modal.
int showMessageBox(const TypedValue& message, int32_t flags, const TypedValue& title = {},
                   const TypedValue& parent = {});

// A window object given as the parent becomes its top-level window through this, which the
// registry of loaded windows installs; null when the window is not loaded.
using LoadedWindowHandle = HWND (*)(UnitId window);
void setLoadedWindowHandle(LoadedWindowHandle find);

#pragma once
#include <windows.h>

#include "form/unit_id.h"

// Loads (or, when already loaded, brings forward) a window description. False on failure.
bool loadWindow(UnitId window, bool modal, HWND owner);
// loadWindow for the program's first window; a failure is the fatal error "载入启动窗口失败".
void loadStartupWindow(UnitId window);

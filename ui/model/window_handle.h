#pragma once
#include <windows.h>

#include "form/unit_id.h"

// The window handle of a form object (the window itself when unit is 0). An object that is
// not loaded is a fatal error.
HWND getWindowHandle(UnitId window, UnitId unit);

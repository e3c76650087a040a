#pragma once
#include <windows.h>

#include <vector>

#include "ui/model/component_model.h"

// The live window of a unit, or null.
inline HWND hwndOf(const LoadedUnit& u) { return u.object ? u.object->hwnd() : nullptr; }
// The unit whose window is exactly `hwnd`, or null.
LoadedUnit* unitOfWindow(LoadedWindow& window, HWND hwnd);
// The unit whose window is `hwnd` or its nearest ancestor below the top-level window; the
// window's own unit only for the top-level window itself. Null when no unit owns it.
LoadedUnit* unitOwningWindow(LoadedWindow& window, HWND hwnd);
// The loaded window whose top-level window contains `hwnd`, or null.
LoadedWindow* loadedWindowContaining(HWND hwnd);
// A control that is visible and enabled.
bool isUsable(HWND h);
// The visible, enabled tab-stop controls of a window, in tab order (form order for equal tab
// order values).
std::vector<HWND> tabStops(LoadedWindow& window);

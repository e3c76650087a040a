#include "ui/model/window_handle.h"

#include "ui/model/component_model.h"

HWND getWindowHandle(UnitId window, UnitId unit) {
  Component* component = resolveUnit(window, unit);
  HWND hwnd = component ? component->hwnd() : nullptr;
  if (!hwnd || !IsWindow(hwnd)) fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  return hwnd;
}

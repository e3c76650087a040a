#include "ui/model/window_handle.h"

#include <gtest/gtest.h>

#include "tests/support/probe_component.h"

namespace {

class WindowHandle : public ProbeWindow {};

TEST_F(WindowHandle, ALoadedUnitsWindowElseAFatalError) {
  const HWND window = findLoadedWindow(kWin)->hwnd();
  const HWND probe = hwndOf(kProbe);
  DestroyWindow(hwndOf(kSecond));
  struct Case {
    const char* what;
    UnitId window, unit;
    HWND expected;  // null: the unit is not loaded
  } cases[] = {
      {"the window itself", kWin, 0, window},
      {"the window's own unit", kWin, kOwn, window},
      {"a control", kWin, kProbe, probe},
      {"a control whose window was destroyed", kWin, kSecond, nullptr},
      {"a menu item, which has no window", kWin, kItem, nullptr},
      {"a unit of no loaded window", 0x52990999, kProbe, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.expected) {
      EXPECT_EQ(getWindowHandle(c.window, c.unit), c.expected);
    } else {
      EXPECT_EQ(fatalMessage([&] { getWindowHandle(c.window, c.unit); }),
                "指定窗口或窗口组件不存在或尚未载入");
    }
  }
}

}  // namespace

#include "ui/model/window_lookup.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/key_probes.h"
#include "tests/win/test_support.h"

namespace {

constexpr UnitId kOwn = 0x06010000, kE = 0x16000005;

class WindowLookup : public MenuWindowTest {};

UnitId idOf(const LoadedUnit* u) { return u ? u->id : 0; }

HWND childOf(HWND parent, DWORD style = WS_CHILD | WS_VISIBLE) {
  return CreateWindowExA(0, "STATIC", "", style, 200, 10, 5, 5, parent, nullptr, nullptr, nullptr);
}

TEST_F(WindowLookup, AWindowLeadsToItsUnitAndItsLoadedWindow) {
  load("menu_bar");
  LoadedWindow& w = *findLoadedWindow(kWindow);
  const HWND a = unitHandle(kA), insideA = childOf(a), stray = childOf(windowHandle());
  const HWND outside = childOf(nullptr, WS_POPUP | WS_VISIBLE);
  struct Case {
    const char* what;
    HWND hwnd;
    UnitId unitOf, owning;  // 0: none
    bool inWindow, usable;
  } cases[] = {
      {"the window", windowHandle(), kOwn, kOwn, true, true},
      {"a unit's control", a, kA, kA, true, true},
      {"a hidden unit's control", unitHandle(kE), kE, kE, true, false},
      {"a window inside a control", insideA, 0, kA, true, true},
      {"a window of no unit", stray, 0, 0, true, true},
      {"a window of no loaded window", outside, 0, 0, false, true},
      {"no window", nullptr, 0, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(idOf(unitOfWindow(w, c.hwnd)), c.unitOf);
    EXPECT_EQ(idOf(unitOwningWindow(w, c.hwnd)), c.owning);
    EXPECT_EQ(loadedWindowContaining(c.hwnd), c.inWindow ? &w : nullptr);
    EXPECT_EQ(isUsable(c.hwnd), c.usable);
  }
  EnableWindow(a, FALSE);
  EXPECT_FALSE(isUsable(a)) << "disabled";
  DestroyWindow(outside);
}

TEST_F(WindowLookup, TabStopsAreTheUsableOnesInTabOrderThenFormOrder) {
  load("menu_bar");
  LoadedWindow& w = *findLoadedWindow(kWindow);
  // b and d have tab order 1, a has 2; c is no tab stop and e is hidden.
  EXPECT_EQ(tabStops(w), (std::vector<HWND>{unitHandle(kB), unitHandle(kD), unitHandle(kA)}));
  EnableWindow(unitHandle(kD), FALSE);
  EXPECT_EQ(tabStops(w), (std::vector<HWND>{unitHandle(kB), unitHandle(kA)}));
}

}  // namespace

#include "ui/loop/window_loading.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/window_probes.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/model/component_model.h"

namespace {

class WindowLoading : public WindowTest {};

// --- loading --------------------------------------------------------------------------------

struct SeenEvent {
  int32_t event;
  bool visible;
  bool operator==(const SeenEvent&) const = default;
};
std::ostream& operator<<(std::ostream& os, const SeenEvent& e) {
  return os << "{" << e.event << (e.visible ? ", visible}" : ", hidden}");
}

TEST_F(WindowLoading, LoadRaisesCreatedMovedResizedBeforeTheWindowIsShown) {
  std::vector<SeenEvent> seen;
  setCustomHandler(0, [&](EventCall& e) {
    seen.push_back({e.eventNumber(), IsWindowVisible(windowHandle()) != 0});
  });
  load("window_basic");

  // The moves and sizes of the creation itself happen while events are held.
  const std::vector<SeenEvent> creation = {{0, false}, {3, false}, {4, false}};
  ASSERT_GE(seen.size(), creation.size());
  EXPECT_EQ(std::vector<SeenEvent>(seen.begin(), seen.begin() + 3), creation);
  EXPECT_TRUE(IsWindowVisible(windowHandle()));
  // Showing activates the window: first activation (8) comes before activated (5); the window
  // hears -7 and hands the focus on to its first tab stop.
  // Wine may report further moves and sizes from its display driver at any time after the
  // show; only the creation's own 3 and 4 are fixed.
  std::vector<int32_t> afterShow;
  for (size_t i = 3; i < seen.size(); ++i) {
    if (seen[i].event != 3 && seen[i].event != 4) afterShow.push_back(seen[i].event);
  }
  const std::vector<int32_t> expected = {kWindowShown, kWindowFirstActivated, kWindowActivated,
                                         kEventGotFocus};
  EXPECT_EQ(afterShow, expected);
  EXPECT_EQ(GetFocus(), unitHandle(kFirst));
}

TEST_F(WindowLoading, EventsRaisedInsideTheCreatedHandlerReachTheirHandlers) {
  std::vector<int32_t> seen;
  setCustomHandler(0, [&](EventCall& e) {
    seen.push_back(e.eventNumber());
    if (e.eventNumber() == kWindowCreated) writeProperty(kWindow, 0, 3, PropertyValue(260));
  });
  load("window_basic");
  ASSERT_GE(seen.size(), 4u);
  const std::vector<int32_t> expected = {kWindowCreated, kWindowResized, kWindowMoved,
                                         kWindowResized};
  EXPECT_EQ(std::vector<int32_t>(seen.begin(), seen.begin() + 4), expected);
  EXPECT_EQ(windowRect(windowHandle()).bottom - windowRect(windowHandle()).top, 260);
}

TEST_F(WindowLoading, ControlsAreCreatedLastToFirstAndStackedInFormOrder) {
  load("window_basic");
  // Creation runs from the last control to the first.
  EXPECT_EQ(GetDlgCtrlID(unitHandle(kHidden)), 100);
  EXPECT_EQ(GetDlgCtrlID(unitHandle(kNever)), 110);
  EXPECT_EQ(GetDlgCtrlID(unitHandle(kSecond)), 120);
  EXPECT_EQ(GetDlgCtrlID(unitHandle(kFirst)), 130);

  std::vector<HWND> stacking;
  for (HWND h = GetWindow(windowHandle(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    stacking.push_back(h);
  const std::vector<HWND> formOrder = {unitHandle(kFirst), unitHandle(kSecond), unitHandle(kNever),
                                       unitHandle(kHidden)};
  EXPECT_EQ(stacking, formOrder);
}

TEST_F(WindowLoading, ControlsTakeStylesAndVisibilityFromTheirFlags) {
  load("window_basic");
  EXPECT_TRUE(IsWindowVisible(unitHandle(kFirst)));
  EXPECT_TRUE(GetWindowLongA(unitHandle(kFirst), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(IsWindowEnabled(unitHandle(kSecond)));
  EXPECT_FALSE(IsWindowVisible(unitHandle(kNever))) << "a never-shown type ignores its flag";
  EXPECT_FALSE(IsWindowVisible(unitHandle(kHidden)));
}

TEST_F(WindowLoading, UnitsHearCreationInReverseFormOrderThenTheShow) {
  load("window_basic");
  std::vector<ProbeMessage> expected;
  for (UnitId u : {kHidden, kNever, kSecond, kFirst}) expected.push_back({u, UM_CREATED, 0});
  for (UnitId u : {kHidden, kNever, kSecond, kFirst}) expected.push_back({u, UM_SHOWN, 0});
  EXPECT_EQ(gProbeLog, expected);
}

TEST_F(WindowLoading, PositionOneCentresTheStoredOuterSize) {
  load("window_basic");
  const RECT r = windowRect(windowHandle());
  EXPECT_EQ(r.right - r.left, 400);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
}

TEST_F(WindowLoading, LoadingALoadedWindowOnlyBringsItForward) {
  load("window_basic");
  HWND before = windowHandle();
  ShowWindow(before, SW_MINIMIZE);
  clearEventLog();
  EXPECT_TRUE(loadWindow(kWindow, false, nullptr));
  EXPECT_EQ(windowHandle(), before);
  EXPECT_FALSE(IsIconic(before));
  EXPECT_EQ(loadedWindowCount(), 1u);
}

// --- failures -------------------------------------------------------------------------------

TEST_F(WindowLoading, AWindowThatCannotBeLoadedLeavesNothingBehind) {
  useTestForm("window_fail");
  EXPECT_FALSE(loadWindow(0x52010001, false, nullptr)) << "unknown type";
  EXPECT_FALSE(loadWindow(0x52010002, false, nullptr)) << "a control refuses creation";
  EXPECT_EQ(gProbesDestroyed, 1) << "the control made before the failure is destroyed";
  EXPECT_FALSE(loadWindow(0x52010003, false, nullptr)) << "stored data of a newer version";
  for (UnitId newer = 0x52010005; newer <= 0x5201000A; ++newer)
    EXPECT_FALSE(loadWindow(newer, false, nullptr)) << "a newer control, " << std::hex << newer;
  EXPECT_FALSE(loadWindow(0x52010004, false, nullptr)) << "a class that is not ours";
  EXPECT_FALSE(loadWindow(0x520100FF, false, nullptr)) << "no such description";
  EXPECT_EQ(loadedWindowCount(), 0u);
  EXPECT_TRUE(eventLog().empty()) << "events are held while loading";
  EXPECT_EQ(windowOfThisProcess("OrvoWindow"), nullptr);
}

TEST_F(WindowLoading, AStartupWindowThatCannotBeLoadedIsFatal) {
  useTestForm("window_fail");
  try {
    loadStartupWindow(0x52010001);
    FAIL() << "no fatal error";
  } catch (const FatalErrorThrown& e) {
    EXPECT_EQ(e.message, "载入启动窗口失败");
  }
}

}  // namespace

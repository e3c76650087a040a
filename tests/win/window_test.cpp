#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/loop/message_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/probe_control.h"
#include "tests/win/test_support.h"
#include "ui/components/window/menu_bar.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"

namespace {

constexpr UnitId kWindow = 0x52010001;
constexpr UnitId kFirst = 0x16000001, kSecond = 0x16000002, kNever = 0x16000003,
                 kHidden = 0x16000004;

// --- probe controls -------------------------------------------------------------------------
// Plain child windows standing in for controls. They record what the window sends them and
// answer WM_CTLCOLORSTATIC with their own brush.
constexpr TypeId kProbeType = 0x00990101;
constexpr TypeId kNeverShownType = 0x00990102;
constexpr TypeId kDockType = 0x00990103;  // its blob's first byte is its CCS edge style
constexpr TypeId kRefusingType = 0x00990104;

struct ProbeMessage {
  UnitId unit;
  UINT message;
  WPARAM wParam;
  bool operator==(const ProbeMessage&) const = default;
};
std::vector<ProbeMessage> gProbeLog;
int gProbesDestroyed = 0;
int gProbeSizes = 0;  // WM_SIZE messages the probes received
HBRUSH gProbeBrush = CreateSolidBrush(RGB(1, 2, 3));

class Probe : public ProbeControl {
 public:
  using ProbeControl::ProbeControl;
  ~Probe() override { ++gProbesDestroyed; }

  static Component* create(const CreateParams& p) {
    const DWORD edge = p.propertiesSize >= 1 ? p.properties[0] : 0;
    return ProbeControl::create(new Probe(p.window, p.unit), p, WS_CHILD | p.style | edge);
  }

 private:
  bool onMessage(UINT m, WPARAM w, LPARAM, LRESULT& result) override {
    switch (m) {
      case UM_CREATED:
      case UM_SHOWN:
      case UM_REDOCK:
      case WM_COMMAND:
      case WM_NOTIFY:
        gProbeLog.push_back({unitId(), m, w});
        return false;
      case WM_SIZE:
        ++gProbeSizes;
        return false;
      case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(gProbeBrush);
        return true;
      default:
        return false;
    }
  }
};

Component* refuse(const CreateParams&) { return nullptr; }

OperationFn probeLookup(int op) {
  return op == kOpCreate ? operationFor<kOpCreate>(&Probe::create) : nullptr;
}
OperationFn refusingLookup(int op) {
  return op == kOpCreate ? operationFor<kOpCreate>(&refuse) : nullptr;
}

const PropertyDescriptor kProbeProperties[] = {QUENLO_COMMON_PROPERTIES};
const ComponentType kProbe = {"探针", "Probe", kStateEvents, kProbeProperties, &probeLookup};
const ComponentType kNeverShown = {"隐形探针", "NeverShown", kStateEvents | kStateNeverShown,
                                   kProbeProperties, &probeLookup};
const ComponentType kDock = {"停靠探针", "Dock", kStateEvents | kStateDockingBar, kProbeProperties,
                             &probeLookup};
const ComponentType kRefusing = {"拒绝", "Refusing", kStateEvents, kProbeProperties,
                                 &refusingLookup};
const bool registered = registerComponentType(kProbeType, kProbe) &&
                        registerComponentType(kNeverShownType, kNeverShown) &&
                        registerComponentType(kDockType, kDock) &&
                        registerComponentType(kRefusingType, kRefusing);

// --- helpers --------------------------------------------------------------------------------

HWND windowHandle(UnitId window = kWindow) {
  LoadedWindow* w = findLoadedWindow(window);
  return w ? w->hwnd() : nullptr;
}

HWND unitHandle(UnitId unit, UnitId window = kWindow) {
  LoadedWindow* w = findLoadedWindow(window);
  LoadedUnit* u = w ? w->find(unit) : nullptr;
  return u && u->object ? u->object->hwnd() : nullptr;
}

RECT windowRect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

// Where a child sits in its parent's client area.
RECT placement(HWND child) {
  RECT r = windowRect(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct WindowSearch {
  const char* className;
  HWND found = nullptr;
};

BOOL CALLBACK findInThisProcess(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  char name[64] = {};
  GetClassNameA(h, name, sizeof name);
  if (pid != GetCurrentProcessId() || std::string(name) != s->className) return TRUE;
  s->found = h;
  return FALSE;
}

// A top-level window of this process with the class; other programs on the desktop may have
// windows of the same class.
HWND windowOfThisProcess(const char* className) {
  WindowSearch search{className};
  EnumWindows(&findInThisProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class WindowTest : public testing::Test {
 protected:
  void TearDown() override {
    for (LoadedWindow* w : loadedWindows())
      if (HWND h = w->hwnd()) DestroyWindow(h);
    pumpMessages();
    for (int i = 0; i < 10; ++i) setCustomHandler(i, nullptr);
    clearEventLog();
    gProbeLog.clear();
    gProbesDestroyed = 0;
  }

  void load(const char* form, UnitId window = kWindow) {
    useTestForm(form);
    ASSERT_TRUE(loadWindow(window, false, nullptr));
    ASSERT_NE(windowHandle(window), nullptr);
  }
};

// --- loading --------------------------------------------------------------------------------

struct SeenEvent {
  int32_t event;
  bool visible;
  bool operator==(const SeenEvent&) const = default;
};
std::ostream& operator<<(std::ostream& os, const SeenEvent& e) {
  return os << "{" << e.event << (e.visible ? ", visible}" : ", hidden}");
}

TEST_F(WindowTest, LoadRaisesCreatedMovedResizedBeforeTheWindowIsShown) {
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

TEST_F(WindowTest, EventsRaisedInsideTheCreatedHandlerReachTheirHandlers) {
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

TEST_F(WindowTest, ControlsAreCreatedLastToFirstAndStackedInFormOrder) {
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

TEST_F(WindowTest, ControlsTakeStylesAndVisibilityFromTheirFlags) {
  load("window_basic");
  EXPECT_TRUE(IsWindowVisible(unitHandle(kFirst)));
  EXPECT_TRUE(GetWindowLongA(unitHandle(kFirst), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(IsWindowEnabled(unitHandle(kSecond)));
  EXPECT_FALSE(IsWindowVisible(unitHandle(kNever))) << "a never-shown type ignores its flag";
  EXPECT_FALSE(IsWindowVisible(unitHandle(kHidden)));
}

TEST_F(WindowTest, UnitsHearCreationInReverseFormOrderThenTheShow) {
  load("window_basic");
  std::vector<ProbeMessage> expected;
  for (UnitId u : {kHidden, kNever, kSecond, kFirst}) expected.push_back({u, UM_CREATED, 0});
  for (UnitId u : {kHidden, kNever, kSecond, kFirst}) expected.push_back({u, UM_SHOWN, 0});
  EXPECT_EQ(gProbeLog, expected);
}

TEST_F(WindowTest, PositionOneCentresTheStoredOuterSize) {
  load("window_basic");
  const RECT r = windowRect(windowHandle());
  EXPECT_EQ(r.right - r.left, 400);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
}

TEST_F(WindowTest, LoadingALoadedWindowOnlyBringsItForward) {
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

TEST_F(WindowTest, AWindowThatCannotBeLoadedLeavesNothingBehind) {
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

TEST_F(WindowTest, AStartupWindowThatCannotBeLoadedIsFatal) {
  useTestForm("window_fail");
  try {
    loadStartupWindow(0x52010001);
    FAIL() << "no fatal error";
  } catch (const FatalErrorThrown& e) {
    EXPECT_EQ(e.message, "载入启动窗口失败");
  }
}

// --- closing --------------------------------------------------------------------------------

TEST_F(WindowTest, ClosingAsksTwiceThenDestroys) {
  struct Case {
    const char* name;
    bool refuseRequest, refuseMayClose;
    std::vector<int32_t> events;
    bool stillOpen;
  };
  const Case cases[] = {
      {"nobody refuses", false, false, {12, 1, 2}, false},
      {"close request refused", true, false, {12}, true},
      {"may-close refused", false, true, {12, 1}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    load("window_basic");
    std::vector<int32_t> seen;
    setCustomHandler(0, [&](EventCall& e) {
      if (e.eventNumber() != 3 && e.eventNumber() != 4) seen.push_back(e.eventNumber());
    });
    setCustomHandler(1, [&](EventCall& e) {
      seen.push_back(e.eventNumber());
      if (c.refuseRequest) e.returns(0);
    });
    setCustomHandler(2, [&](EventCall& e) {
      seen.push_back(e.eventNumber());
      if (c.refuseMayClose) e.returns(0);
    });
    SendMessageA(windowHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(seen, c.events);
    EXPECT_EQ(findLoadedWindow(kWindow) != nullptr, c.stillOpen);
    TearDown();
  }
}

TEST_F(WindowTest, AHandlerReturningTrueOrNothingDoesNotStopTheClose) {
  load("window_basic");
  setCustomHandler(1, [](EventCall& e) { e.returns(1); });
  SendMessageA(windowHandle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(gProbesDestroyed, 4);
}

TEST_F(WindowTest, TheSessionEndIsRefusedByTheMayCloseHandlerAndItsEndClosesNothing) {
  load("window_basic");
  setCustomHandler(2, [](EventCall& e) { e.returns(0); });
  EXPECT_EQ(SendMessageA(windowHandle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  setCustomHandler(2, nullptr);
  EXPECT_NE(SendMessageA(windowHandle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  // Windows then ends the process without closing the window: only a session end that goes
  // ahead raises the window's event.
  std::vector<int32_t> seen;
  for (int slot : {0, 1, 2})
    setCustomHandler(slot, [&](EventCall& e) { seen.push_back(e.eventNumber()); });
  SendMessageA(windowHandle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  SendMessageA(windowHandle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(seen, std::vector<int32_t>{kWindowSessionEnding});
  EXPECT_NE(findLoadedWindow(kWindow), nullptr) << "answering the session destroys nothing";
}

TEST_F(WindowTest, TheDestroyingHandlerStillReachesTheControls) {
  load("window_basic");
  bool controlAlive = false;
  setCustomHandler(0, [&](EventCall& e) {
    if (e.eventNumber() == kWindowDestroying) controlAlive = IsWindow(unitHandle(kFirst));
  });
  DestroyWindow(windowHandle());
  EXPECT_TRUE(controlAlive);
  EXPECT_EQ(findLoadedWindow(kWindow), nullptr);
}

TEST_F(WindowTest, TheMessageLoopEndsWhenTheLastWindowCloses) {
  load("window_basic");
  PostMessageA(windowHandle(), WM_CLOSE, 0, 0);
  runMessageLoop();
  EXPECT_EQ(loadedWindowCount(), 0u);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "quit consumed";
}

TEST_F(WindowTest, IdleHandlersAreAskedUntilTheyStopAnsweringTrue) {
  useTestForm("window_modal");
  std::vector<int32_t> elapsed;
  setCustomHandler(5, [&](EventCall& e) {
    elapsed.push_back(e.arg(0));
    if (elapsed.size() < 3) {
      e.returns(1);
    } else {
      PostMessageA(windowHandle(0x52010003), WM_CLOSE, 0, 0);
    }
  });
  ASSERT_TRUE(loadWindow(0x52010003, false, nullptr));
  runMessageLoop();
  ASSERT_GE(elapsed.size(), 3u);
  EXPECT_GE(elapsed[0], 0);
  EXPECT_LE(elapsed[0], elapsed[1]);
  EXPECT_EQ(loadedWindowCount(), 0u);
}

TEST_F(WindowTest, AModalWindowDisablesTheOthersUntilItCloses) {
  useTestForm("window_modal");
  ASSERT_TRUE(loadWindow(0x52010001, false, nullptr));
  HWND main = windowHandle(0x52010001);
  bool mainEnabledWhileModal = true;
  // The close is posted at creation, so it is handled inside the modal loop.
  setCustomHandler(3, [&](EventCall&) { PostMessageA(windowHandle(0x52010002), WM_CLOSE, 0, 0); });
  setCustomHandler(4, [&](EventCall&) { mainEnabledWhileModal = IsWindowEnabled(main) != 0; });
  ASSERT_TRUE(loadWindow(0x52010002, true, nullptr));  // returns once the modal loop ends
  EXPECT_FALSE(mainEnabledWhileModal);
  EXPECT_EQ(findLoadedWindow(0x52010002), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(eventsOf(0), std::vector<int32_t>{kWindowDestroying});
}

// --- properties -----------------------------------------------------------------------------

TEST_F(WindowTest, CaptionAndFrameStylesFollowTheirProperties) {
  load("window_basic");
  HWND h = windowHandle();
  auto style = [&] { return static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)); };
  EXPECT_EQ(style() & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME),
            static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));

  writeProperty(kWindow, 0, kWinCaption, PropertyValue("新标题"));
  char text[64];
  GetWindowTextA(h, text, sizeof text);
  EXPECT_STREQ(text, "新标题");
  EXPECT_STREQ(readProperty(kWindow, 0, kWinCaption).c_str(), "新标题");

  // A frame with neither caption text nor control box has no caption bar.
  writeProperty(kWindow, 0, kWinControlBox, PropertyValue(0));
  writeProperty(kWindow, 0, kWinCaption, PropertyValue(""));
  EXPECT_EQ(style() & WS_CAPTION, static_cast<DWORD>(WS_DLGFRAME));
  writeProperty(kWindow, 0, kWinBorder, PropertyValue(2));
  EXPECT_FALSE(style() & WS_THICKFRAME) << "a fixed frame cannot be resized";
  writeProperty(kWindow, 0, kWinBorder, PropertyValue(0));
  EXPECT_FALSE(style() & (WS_CAPTION | WS_THICKFRAME));
  writeProperty(kWindow, 0, kWinBorder, PropertyValue(9));
  EXPECT_EQ(readProperty(kWindow, 0, kWinBorder).asInt(), 6) << "choices clamp to their range";
  EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(WindowTest, PositionReadsTheLiveStateAndWritesApplyAtOnce) {
  load("window_basic");
  HWND h = windowHandle();
  EXPECT_EQ(readProperty(kWindow, 0, kWinPosition).asInt(), 0) << "centred reads as normal";
  writeProperty(kWindow, 0, kWinPosition, PropertyValue(2));
  EXPECT_TRUE(IsIconic(h));
  EXPECT_EQ(readProperty(kWindow, 0, kWinPosition).asInt(), 2);
  writeProperty(kWindow, 0, kWinPosition, PropertyValue(3));
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_EQ(readProperty(kWindow, 0, kWinPosition).asInt(), 3);
  RECT area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_EQ(windowRect(h).right - windowRect(h).left, area.right - area.left);
  writeProperty(kWindow, 0, kWinPosition, PropertyValue(1));
  EXPECT_FALSE(IsZoomed(h));
  EXPECT_EQ(windowRect(h).left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
}

TEST_F(WindowTest, SystemMenuTopmostAndIcon) {
  load("window_basic");
  HWND h = windowHandle();
  EXPECT_NE(SendMessageA(h, WM_GETICON, ICON_BIG, 0), 0) << "the program's or the system's icon";
  EXPECT_NE(SendMessageA(h, WM_GETICON, ICON_SMALL, 0), 0);

  EXPECT_NE(GetMenuState(GetSystemMenu(h, FALSE), SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  writeProperty(kWindow, 0, kWinMovable, PropertyValue(0));
  EXPECT_EQ(GetMenuState(GetSystemMenu(h, FALSE), SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  writeProperty(kWindow, 0, kWinMovable, PropertyValue(1));
  EXPECT_NE(GetMenuState(GetSystemMenu(h, FALSE), SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));

  writeProperty(kWindow, 0, kWinAlwaysOnTop, PropertyValue(1));
  EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
  writeProperty(kWindow, 0, kWinAlwaysOnTop, PropertyValue(0));
  EXPECT_FALSE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowTest, SavedPropertiesHoldWhatWasWritten) {
  load("window_basic");
  writeProperty(kWindow, 0, kWinHelpFile, PropertyValue("帮助.hlp"));
  writeProperty(kWindow, 0, kWinHelpContext, PropertyValue(42));
  writeProperty(kWindow, 0, kWinPictureMode, PropertyValue(5));
  const uint8_t music[] = {1, 2, 3};
  writeProperty(kWindow, 0, kWinBackMusic, PropertyValue(ByteBuffer::copyOf(music, 3)));

  LoadedUnit& u = findLoadedWindow(kWindow)->units[0];
  const std::vector<uint8_t> bytes = u.type->operation<kOpSaveProperties>()(u.object);
  auto saved = PropertyBlob::read(*blobLayoutFor(kWindowType), bytes.data(), bytes.size());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->text(WindowBlob::HelpFile), "帮助.hlp");
  EXPECT_EQ(saved->number(WindowBlob::HelpContext), 42);
  EXPECT_EQ(saved->number(WindowBlob::PictureMode), 3);
  EXPECT_EQ(saved->bytes(WindowBlob::BackMusic), std::vector<uint8_t>(music, music + 3));
  EXPECT_EQ(saved->text(WindowBlob::Caption), "探针窗口");
  EXPECT_EQ(saved->number(WindowBlob::Position), 1) << "the stored start position, not the state";
}

TEST_F(WindowTest, WithoutATaskbarButtonTheHiddenOwnerOwnsTheWindow) {
  useTestForm("window_modal");
  ASSERT_TRUE(loadWindow(0x52010004, false, nullptr));
  HWND h = windowHandle(0x52010004);
  EXPECT_EQ(GetWindow(h, GW_OWNER), hiddenOwner());
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_POPUP);
  EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "border 3";
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_THICKFRAME) << "border 3";
}

TEST_F(WindowTest, WritingShowInTaskbarReownsTheLiveWindow) {
  useTestForm("window_modal");
  ASSERT_TRUE(loadWindow(0x52010001, false, nullptr));
  HWND h = windowHandle(0x52010001);
  SetActiveWindow(h);
  ASSERT_EQ(GetWindow(h, GW_OWNER), nullptr);
  for (int32_t shown : {0, 1, 0}) {
    writeProperty(0x52010001, 0, kWinShowInTaskbar, PropertyValue(shown));
    EXPECT_EQ(GetWindow(h, GW_OWNER), shown ? nullptr : hiddenOwner()) << shown;
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ(GetActiveWindow(), h) << "an active window stays active";
  }
  ShowWindow(h, SW_HIDE);
  writeProperty(0x52010001, 0, kWinShowInTaskbar, PropertyValue(1));
  EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(h)) << "a hidden window stays hidden";
}

TEST_F(WindowTest, ShapesCutTheWindowAndFollowItsSize) {
  useTestForm("window_modal");
  ASSERT_TRUE(loadWindow(0x52010004, false, nullptr));
  HWND h = windowHandle(0x52010004);
  auto regionBox = [&] {
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    RECT box{};
    if (GetWindowRgn(h, region.get()) != ERROR) GetRgnBox(region.get(), &box);
    return box;
  };
  // Elliptic regions may stop a pixel short of the bounding box's right edge.
  EXPECT_NEAR(regionBox().right, 180, 1) << "an ellipse over the whole window";
  SetWindowPos(h, nullptr, 0, 0, 220, 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_NEAR(regionBox().right, 220, 1);
  writeProperty(0x52010004, 0, kWinShape, PropertyValue(0));
  OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(GetWindowRgn(h, region.get()), ERROR) << "rectangular again";
}

TEST_F(WindowTest, AUnitsPointerShowsOverIt) {
  load("window_basic");
  HCURSOR pointer = findLoadedWindow(kWindow)->find(kSecond)->cursor;
  ASSERT_NE(pointer, nullptr);
  SetCursor(nullptr);
  EXPECT_TRUE(SendMessageA(windowHandle(), WM_SETCURSOR,
                           reinterpret_cast<WPARAM>(unitHandle(kSecond)),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), pointer);
  EXPECT_EQ(findLoadedWindow(kWindow)->find(kFirst)->cursor, nullptr) << "the default pointer";
}

DWORD guiObjects() {
  HANDLE self = GetCurrentProcess();
  return GetGuiResources(self, GR_GDIOBJECTS) + GetGuiResources(self, GR_USEROBJECTS);
}

// Wine's GetGuiResources counts nothing (it answers 0), so there only the handle checks catch a
// leak; Windows counts every object.
TEST_F(WindowTest, LoadsAndPointerWritesLeaveNoObjectsBehind) {
  load("window_basic");  // classes, stock objects and caches are made once
  DestroyWindow(windowHandle());
  pumpMessages();
  const DWORD before = guiObjects();
  for (int round = 0; round < 5; ++round) {
    load("window_basic");
    HMENU menu = GetMenu(windowHandle());
    ASSERT_TRUE(IsMenu(menu));
    HCURSOR first = findLoadedWindow(kWindow)->find(kSecond)->cursor;
    const uint8_t cross[] = {2, 0, 0, 0};
    writeProperty(kWindow, kSecond, 7, PropertyValue(ByteBuffer::copyOf(cross, sizeof cross)));
    EXPECT_FALSE(isCursor(first)) << "the pointer written over is destroyed";
    HCURSOR second = findLoadedWindow(kWindow)->find(kSecond)->cursor;
    DestroyWindow(windowHandle());
    pumpMessages();
    EXPECT_FALSE(IsMenu(menu)) << "the menu goes with its window";
    EXPECT_FALSE(isCursor(second)) << "so do the pointers";
  }
  EXPECT_EQ(guiObjects(), before);
}

// --- messages for the controls --------------------------------------------------------------

TEST_F(WindowTest, ColourMessagesAreAnsweredByTheControl) {
  load("window_basic");
  HDC dc = GetDC(unitHandle(kFirst));
  EXPECT_EQ(SendMessageA(windowHandle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(unitHandle(kFirst))),
            reinterpret_cast<LRESULT>(gProbeBrush));
  ReleaseDC(unitHandle(kFirst), dc);
}

TEST_F(WindowTest, ControlNotificationsComeBackToTheControl) {
  load("window_basic");
  gProbeLog.clear();
  HWND first = unitHandle(kFirst);
  const WPARAM change = MAKEWPARAM(130, EN_CHANGE);
  SendMessageA(windowHandle(), WM_COMMAND, change, reinterpret_cast<LPARAM>(first));

  // A helper window of a control (an up-down beside an edit box) uses an id in its block.
  HWND helper = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, windowHandle(),
                                reinterpret_cast<HMENU>(134), nullptr, nullptr);
  NMHDR header{helper, 134, static_cast<UINT>(-722)};
  SendMessageA(windowHandle(), WM_NOTIFY, 134, reinterpret_cast<LPARAM>(&header));
  DestroyWindow(helper);

  const std::vector<ProbeMessage> expected = {{kFirst, WM_COMMAND, change},
                                              {kFirst, WM_NOTIFY, 134}};
  EXPECT_EQ(gProbeLog, expected);
}

TEST_F(WindowTest, GeometryWrittenInTheSizeHandlerMovesEachControlOnce) {
  load("window_basic");
  const std::vector<int32_t> written = {33, 44, 5};
  std::vector<int32_t> readInside;
  bool armed = true;
  setCustomHandler(0, [&](EventCall& e) {
    if (e.eventNumber() != kWindowResized || !armed) return;
    writeProperty(kWindow, kFirst, 3, written[0]);  // height, width, left
    writeProperty(kWindow, kFirst, 2, written[1]);
    writeProperty(kWindow, kFirst, 0, written[2]);
    readInside = {readProperty(kWindow, kFirst, 3).asInt(),
                  readProperty(kWindow, kFirst, 2).asInt(),
                  readProperty(kWindow, kFirst, 0).asInt()};
  });
  gProbeSizes = 0;
  SetWindowPos(windowHandle(), nullptr, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER);
  pumpMessages();
  EXPECT_EQ(readInside, written) << "reads inside the handler see the writes";
  EXPECT_EQ(gProbeSizes, 1) << "one layout for the three writes";
  const RECT r = placement(unitHandle(kFirst));
  EXPECT_EQ(r.right - r.left, 44);
  EXPECT_EQ(r.bottom - r.top, 33);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 10) << "the top was not written";
  armed = false;
}

// --- docked bars ----------------------------------------------------------------------------

TEST_F(WindowTest, DockedBarsStackAtTheirEdgesInReverseFormOrder) {
  load("window_dock");
  HWND top = unitHandle(0x16000001), lower = unitHandle(0x16000002),
       bottom = unitHandle(0x16000004), free = unitHandle(0x16000005);
  auto check = [&] {
    RECT client;
    GetClientRect(windowHandle(), &client);
    EXPECT_EQ(placement(top).top, 0);
    EXPECT_EQ(placement(bottom).top, client.bottom - 30);
    EXPECT_EQ(placement(lower).top, client.bottom - 30 - 20);
    EXPECT_EQ(placement(free).top, 90) << "a bar at neither edge keeps its place";
    EXPECT_EQ(placement(lower).left, 0) << "bars only move vertically";
  };
  check();
  int redocks = 0;
  for (const auto& m : gProbeLog) redocks += m.message == UM_REDOCK;
  // One per bar at the layout message, and one per bar for each size the platform reports.
  EXPECT_GE(redocks, 4);
  EXPECT_EQ(redocks % 4, 0) << "every layout redocks all four bars";

  SetWindowPos(windowHandle(), nullptr, 0, 0, 360, 330, SWP_NOMOVE | SWP_NOZORDER);
  check();
}

// --- painting -------------------------------------------------------------------------------

COLORREF pixelAt(HWND h, int x, int y) {
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(h);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(h, dc);
  return c;
}

TEST_F(WindowTest, APictureThatDoesNotDecodeLeavesTheBackgroundColour) {
  load("window_paint", 0x52010001);
  HWND h = windowHandle(0x52010001);
  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(pixelAt(h, 5, 5), 0x00336699u);
  EXPECT_EQ(pixelAt(h, 200, 150), 0x00336699u);

  writeProperty(0x52010001, 0, kWinBackColor, PropertyValue(0x00FF0000u));
  EXPECT_EQ(pixelAt(h, 100, 100), 0x00FF0000u);
}

// Counts the system colour changes a child is told of.
int gColourChanges = 0;
WNDPROC gStaticProc = nullptr;
LRESULT CALLBACK countColourChanges(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SYSCOLORCHANGE) ++gColourChanges;
  return CallWindowProcA(gStaticProc, h, m, w, l);
}

// Sets the button-face colour for the scope of a test, then restores it.
class ButtonFace {
 public:
  explicit ButtonFace(COLORREF colour) : old_(GetSysColor(COLOR_BTNFACE)) { set(colour); }
  ~ButtonFace() { set(old_); }
  ButtonFace(const ButtonFace&) = delete;
  ButtonFace& operator=(const ButtonFace&) = delete;

 private:
  static void set(COLORREF colour) {
    const INT element = COLOR_BTNFACE;
    SetSysColors(1, &element, &colour);
    pumpMessages();
  }
  COLORREF old_;
};

// The picture lets all of the background through: what shows is the button face of the moment.
TEST_F(WindowTest, APngOverTheSystemColourFollowsAColourChange) {
  load("window_paint", 0x52010003);
  HWND h = windowHandle(0x52010003);
  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, h, nullptr, nullptr, nullptr);
  gStaticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countColourChanges)));
  gColourChanges = 0;
  const COLORREF before = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(pixelAt(h, 120, 100), before);
  {
    const COLORREF other = before == RGB(10, 200, 30) ? RGB(200, 10, 30) : RGB(10, 200, 30);
    ButtonFace face(other);
    EXPECT_EQ(pixelAt(h, 120, 100), other);
    EXPECT_EQ(gColourChanges, 1) << "the window tells its controls";
  }
  EXPECT_EQ(pixelAt(h, 120, 100), before);
  DestroyWindow(child);
}

TEST_F(WindowTest, TheSystemDefaultColourPaintsButtonFace) {
  load("window_paint", 0x52010002);
  HWND h = windowHandle(0x52010002);
  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(pixelAt(h, 10, 10), GetSysColor(COLOR_BTNFACE));
}

}  // namespace

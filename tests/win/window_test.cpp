#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/window_probes.h"
#include "tests/win/test_support.h"
#include "ui/components/window/menu_bar.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"

namespace {

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

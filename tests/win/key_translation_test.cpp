#include "ui/loop/key_translation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/key_probes.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

namespace {

class KeyTranslation : public MenuWindowTest {};

// --- accelerators and general events --------------------------------------------------------

TEST_F(KeyTranslation, CtrlDIsTheMenuCommandAndNeverReachesTheControl) {
  load("menu_bar");
  focus(kA);
  KeysDown ctrl({VK_CONTROL});
  postKey(unitHandle(kA), WM_KEYDOWN, VK_CONTROL);
  postKey(unitHandle(kA), WM_KEYDOWN, 'D');
  const std::vector<Seen> expected = {
      {kA, kEventKeyDown, {VK_CONTROL, 0}},  // Ctrl is not its own modifier
      {0x26000002, 0, {}},
  };
  EXPECT_EQ(seenEvents(), expected);
  const std::vector<Received> received = {{unitHandle(kA), WM_KEYDOWN, VK_CONTROL}};
  EXPECT_EQ(gReceived, received);
}

TEST_F(KeyTranslation, KeysWithoutAcceleratorAreKeyEvents) {
  load("menu_bar");
  focus(kA);
  {
    KeysDown ctrl({VK_CONTROL});
    postKey(unitHandle(kA), WM_KEYDOWN, 'S');  // its item is hidden
    postKey(unitHandle(kA), WM_KEYDOWN, 'T');  // its item is in a hidden drop-down
  }
  const std::vector<Seen> expected = {{kA, kEventKeyDown, {'S', kModCtrl}},
                                      {kA, kEventKeyDown, {'T', kModCtrl}}};
  EXPECT_EQ(seenEvents(), expected);
}

TEST_F(KeyTranslation, AGrayedItemsShortcutRaisesNothing) {
  load("menu_bar");
  focus(kA);
  KeysDown ctrl({VK_CONTROL});
  postKey(unitHandle(kA), WM_KEYDOWN, 'G');
  for (const Seen& s : seenEvents()) EXPECT_NE(s.unit, 0x26000007u);
}

TEST_F(KeyTranslation, KeyAndWheelArgumentsAsTheHandlerSeesThem) {
  load("menu_bar");
  focus(kA);
  HWND a = unitHandle(kA);
  postKey(a, WM_KEYDOWN, VK_NUMPAD5);
  postKey(a, WM_KEYUP, VK_DIVIDE);
  postKey(a, WM_KEYDOWN, VK_DECIMAL);
  postKey(a, WM_KEYDOWN, VK_SUBTRACT);
  {
    KeysDown shift({VK_SHIFT});
    postKey(a, WM_KEYDOWN, VK_SHIFT);
    postKey(a, WM_KEYDOWN, VK_F5);
  }
  for (short delta : {240, -60, -240, 119}) {
    PostMessageA(a, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(20, 20));
    pumpMessages();
  }
  {
    KeysDown ctrl({VK_CONTROL});
    PostMessageA(a, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), MAKELPARAM(20, 20));
    pumpMessages();
  }
  const std::vector<Seen> expected = {
      {kA, kEventKeyDown, {'5', 0}},      {kA, kEventKeyUp, {191, 0}},
      {kA, kEventKeyDown, {190, 0}},      {kA, kEventKeyDown, {189, 0}},
      {kA, kEventKeyDown, {VK_SHIFT, 0}}, {kA, kEventKeyDown, {VK_F5, kModShift}},
      {kA, kEventWheel, {2, 0}},          {kA, kEventWheel, {0, 0}},
      {kA, kEventWheel, {-2, 0}},         {kA, kEventWheel, {0, 0}},
      {kA, kEventWheel, {1, kModCtrl}},
  };
  EXPECT_EQ(seenEvents(), expected);
}

TEST_F(KeyTranslation, MouseCoordinatesAreUnsigned) {
  load("menu_bar");
  PostMessageA(unitHandle(kA), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0xFFF0, 7));
  pumpMessages();
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventLButtonDown, {0xFFF0, 7, 0}}}));
}

TEST_F(KeyTranslation, OnlyAFalseReturnDiscardsTheKey) {
  load("menu_bar");
  focus(kB);
  HWND b = unitHandle(kB);
  setCustomHandler(2, [](EventCall&) {});
  postKey(b, WM_KEYDOWN, 'K');
  setCustomHandler(2, [](EventCall& e) { e.returns(1); });
  postKey(b, WM_KEYDOWN, 'L');
  setCustomHandler(2, [](EventCall& e) { e.returns(0); });
  postKey(b, WM_KEYDOWN, 'M');
  const std::vector<Received> expected = {{b, WM_KEYDOWN, 'K'}, {b, WM_KEYDOWN, 'L'}};
  EXPECT_EQ(keysReceived(), expected);
}

TEST_F(KeyTranslation, TheCharacterHandlerCanReplaceOrDropTheCharacter) {
  load("menu_bar");
  HWND a = unitHandle(kA);
  setCustomHandler(1, [](EventCall& e) {
    if (e.arg(0) == 'a') e.returns('B');
    if (e.arg(0) == 'x') e.returns(0);
  });
  for (WPARAM c : {'a', 'x', 'y'}) PostMessageA(a, WM_CHAR, c, 1);
  pumpMessages();
  const std::vector<Received> expected = {{a, WM_CHAR, 'B'}, {a, WM_CHAR, 'y'}};
  EXPECT_EQ(gReceived, expected);
}

TEST_F(KeyTranslation, ADisabledControlGetsItsKeysUntouched) {
  load("menu_bar");
  HWND a = unitHandle(kA);
  EnableWindow(a, FALSE);
  postKey(a, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_TRUE(seenEvents().empty());
  EXPECT_NE(findLoadedWindow(kWindow), nullptr) << "no navigation either";
  EXPECT_EQ(keysReceived(), (std::vector<Received>{{a, WM_KEYDOWN, VK_ESCAPE}}));
}

TEST_F(KeyTranslation, MessagesForWindowsOfNoUnitRaiseNothing) {
  load("menu_bar");
  HWND stray = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 200, 10, 20, 20,
                               windowHandle(), nullptr, nullptr, nullptr);
  PostMessageA(stray, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  pumpMessages();
  EXPECT_TRUE(seenEvents().empty());
  DestroyWindow(stray);
}

// --- navigation -----------------------------------------------------------------------------

TEST_F(KeyTranslation, EscClosesTheWindowFromAnyControl) {
  load("menu_bar");
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(eventsOf(0),
            (std::vector<int32_t>{kWindowCloseRequested, kWindowMayClose, kWindowDestroying}));
}

TEST_F(KeyTranslation, WithoutEscClosesEscIsAKeyLikeAnyOther) {
  load("menu_keys");  // EscCloses 0
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_NE(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventKeyDown, {VK_ESCAPE, 0}}}));
}

TEST_F(KeyTranslation, AControlThatWantsEscKeepsIt) {
  load("menu_bar");
  focus(kA);
  gWantedKeys = {VK_ESCAPE};
  postKey(unitHandle(kA), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_NE(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventKeyDown, {VK_ESCAPE, 0}}}));
}

TEST_F(KeyTranslation, TabVisitsTabStopsInTabOrderThenFormOrder) {
  load("menu_bar");
  // b and d have tab order 1, a has 2; c is no tab stop and e is hidden.
  focus(kB);
  std::vector<HWND> visited;
  for (int i = 0; i < 3; ++i) {
    postKey(GetFocus(), WM_KEYDOWN, VK_TAB);
    visited.push_back(GetFocus());
  }
  EXPECT_EQ(visited, (std::vector<HWND>{unitHandle(kD), unitHandle(kA), unitHandle(kB)}));
  {
    KeysDown shift({VK_SHIFT});
    postKey(GetFocus(), WM_KEYDOWN, VK_TAB);
  }
  EXPECT_EQ(GetFocus(), unitHandle(kA));
  EXPECT_TRUE(gReceived.empty()) << "Tab is the window's";

  focus(kC);  // not a tab stop: Tab starts from the first
  postKey(GetFocus(), WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), unitHandle(kB));
}

TEST_F(KeyTranslation, EnterRunsTheDefaultAction) {
  load("menu_keys");
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(gDefaultActions, 1);
  EXPECT_TRUE(gReceived.empty());

  gWantedKeys = {VK_RETURN};  // a multi-line edit box wants its Enter
  postKey(unitHandle(kA), WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(gDefaultActions, 1);
  EXPECT_EQ(keysReceived(), (std::vector<Received>{{unitHandle(kA), WM_KEYDOWN, VK_RETURN}}));
}

TEST_F(KeyTranslation, EnterMovesTheFocusWhenTheWindowSaysSo) {
  constexpr UnitId kMoving = 0x52010002, kOk = 0x16000002;
  load("menu_keys", kMoving);
  focus(kA, kMoving);
  postKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(GetFocus(), unitHandle(kOk, kMoving));
  EXPECT_EQ(gDefaultActions, 0);
  postKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(gDefaultActions, 1) << "the focused unit's own default action comes first";
  EXPECT_EQ(GetFocus(), unitHandle(kOk, kMoving));
  focus(kC, kMoving);
  postKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(GetFocus(), unitHandle(kA, kMoving)) << "wraps around";
  EXPECT_TRUE(gReceived.empty());
}

TEST_F(KeyTranslation, AMessageFilterConsumesBeforeAnyEvent) {
  load("menu_keys");
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, 'Q');
  postKey(unitHandle(kA), WM_KEYDOWN, 'R');
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventKeyDown, {'R', 0}}}));
  EXPECT_EQ(keysReceived(), (std::vector<Received>{{unitHandle(kA), WM_KEYDOWN, 'R'}}));
}

TEST_F(KeyTranslation, DragToMoveTurnsAPressOnTheWindowIntoACaptionPress) {
  load("menu_keys");
  MSG msg{windowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 150), 0, {300, 250}};
  EXPECT_FALSE(preTranslate(msg)) << "the press itself goes on";
  EXPECT_TRUE(seenEvents().empty()) << "without a mouse event";
  MSG posted;
  ASSERT_TRUE(PeekMessageA(&posted, windowHandle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(posted.lParam, MAKELPARAM(300, 250));
}

}  // namespace

#include "ui/components/window/menu_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/support/probe_control.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/loop/key_translation.h"
#include "ui/model/window_lookup.h"
#include "ui/model/component_model.h"

namespace {

constexpr UnitId kWindow = 0x52010001;
constexpr UnitId kA = 0x16000001, kB = 0x16000002, kC = 0x16000003, kD = 0x16000004;

// --- probe controls -------------------------------------------------------------------------
// Focusable child windows that count the input reaching them. The keys in gWantedKeys are the
// ones they handle themselves (wantsKey).
constexpr TypeId kKeyProbeType = 0x00990201;
constexpr TypeId kButtonProbeType = 0x00990202;  // default action on Enter
constexpr TypeId kFilterProbeType = 0x00990203;  // swallows WM_KEYDOWN 'Q' for any unit

struct Received {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  bool operator==(const Received&) const = default;
};
std::vector<Received> gReceived;
std::set<uint32_t> gWantedKeys;
int gDefaultActions = 0;

class KeyProbe : public ProbeControl {
 public:
  using ProbeControl::ProbeControl;

  static Component* create(const CreateParams& p) {
    return ProbeControl::create(new KeyProbe(p.window, p.unit), p, WS_CHILD | p.style);
  }
  static bool wantsKey(Component*, uint32_t key) { return gWantedKeys.count(key) != 0; }
  static bool defaultAction(Component*) {
    ++gDefaultActions;
    return true;
  }
  static bool filter(Component*, MSG* msg) {
    return msg->message == WM_KEYDOWN && msg->wParam == 'Q';
  }

 private:
  bool onMessage(UINT m, WPARAM w, LPARAM, LRESULT&) override {
    if (m == WM_KEYDOWN || m == WM_CHAR || m == WM_LBUTTONDOWN) gReceived.push_back({hwnd_, m, w});
    return false;
  }
};

OperationFn keyProbeLookup(int op) {
  switch (op) {
    case kOpCreate:
      return operationFor<kOpCreate>(&KeyProbe::create);
    case kOpWantsKey:
      return operationFor<kOpWantsKey>(&KeyProbe::wantsKey);
    default:
      return nullptr;
  }
}
OperationFn buttonLookup(int op) {
  if (op == kOpDefaultAction) return operationFor<kOpDefaultAction>(&KeyProbe::defaultAction);
  return keyProbeLookup(op);
}
OperationFn filterLookup(int op) {
  if (op == kOpFilterMessage) return operationFor<kOpFilterMessage>(&KeyProbe::filter);
  return keyProbeLookup(op);
}

const PropertyDescriptor kProbeProperties[] = {QUENLO_COMMON_PROPERTIES};
const ComponentType kKeyProbe = {"按键探针", "KeyProbe", kStateEvents, kProbeProperties,
                                 &keyProbeLookup};
const ComponentType kButtonProbe = {"按钮探针", "ButtonProbe", kStateEvents | kStateDefaultButton,
                                    kProbeProperties, &buttonLookup};
const ComponentType kFilterProbe = {"过滤探针", "FilterProbe", kStateEvents | kStateMessageFilter,
                                    kProbeProperties, &filterLookup};
const bool registered = registerComponentType(kKeyProbeType, kKeyProbe) &&
                        registerComponentType(kButtonProbeType, kButtonProbe) &&
                        registerComponentType(kFilterProbeType, kFilterProbe);

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

// Holds the given keys down in the thread's keyboard state, which is what GetKeyState and
// the accelerator translation read.
class KeysDown {
 public:
  explicit KeysDown(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::copy(std::begin(saved_), std::end(saved_), state);
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
  }
  ~KeysDown() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

void postKey(HWND target, UINT message, WPARAM key) {
  const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  LPARAM l = 1 | (scan << 16);
  if (message == WM_KEYUP || message == WM_SYSKEYUP) l |= 0xC0000000;
  PostMessageA(target, message, key, l);
  pumpMessages();
}

struct Seen {
  UnitId unit;
  int32_t event;
  std::vector<int32_t> args;
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Seen& s) {
  os << "{" << std::hex << s.unit << std::dec << ", " << s.event << ",";
  for (int32_t a : s.args) os << " " << a;
  return os << "}";
}

std::vector<Seen> seenEvents() {
  std::vector<Seen> out;
  for (const auto& e : eventLog()) out.push_back({e.unit, e.event, e.args});
  return out;
}

// The key messages that reached the probes; the characters that the message loop's translation
// makes of them are left out.
std::vector<Received> keysReceived() {
  std::vector<Received> keys;
  for (const Received& r : gReceived)
    if (r.message != WM_CHAR) keys.push_back(r);
  return keys;
}

class MenuBarTest : public testing::Test {
 protected:
  void SetUp() override {
    setCustomHandler(0, [](EventCall& e) {
      RecordedEvent r;
      r.unit = currentEventUnit();
      r.event = e.eventNumber();
      for (int i = 0; i < e.argCount(); ++i) r.args.push_back(e.arg(i));
      eventLog().push_back(r);
    });
  }
  void TearDown() override {
    for (LoadedWindow* w : loadedWindows())
      if (HWND h = w->hwnd()) DestroyWindow(h);
    pumpMessages();
    for (int i = 0; i < 10; ++i) setCustomHandler(i, nullptr);
    clearEventLog();
    gReceived.clear();
    gWantedKeys.clear();
    gDefaultActions = 0;
  }

  void load(const char* form, UnitId window = kWindow) {
    useTestForm(form);
    ASSERT_TRUE(loadWindow(window, false, nullptr));
    pumpMessages();
    clearEventLog();
  }
  void focus(UnitId unit, UnitId window = kWindow) {
    SetFocus(unitHandle(unit, window));
    ASSERT_EQ(GetFocus(), unitHandle(unit, window));
  }
};

std::string menuText(HMENU menu, UINT position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

// --- building -------------------------------------------------------------------------------

TEST(ShortcutTable, TextsAndKeysOfEveryGroup) {
  struct Case {
    uint32_t number;
    const char* text;
    WORD key;
    BYTE modifiers;
  };
  const Case cases[] = {
      {1, "Ctrl+A", 'A', FCONTROL},
      {4, "Ctrl+D", 'D', FCONTROL},
      {26, "Ctrl+Z", 'Z', FCONTROL},
      {27, "F1", VK_F1, 0},
      {38, "F12", VK_F12, 0},
      {39, "Ctrl+F1", VK_F1, FCONTROL},
      {50, "Ctrl+F12", VK_F12, FCONTROL},
      {51, "Shift+F1", VK_F1, FSHIFT},
      {62, "Shift+F12", VK_F12, FSHIFT},
      {63, "Ctrl+Shift+F1", VK_F1, FCONTROL | FSHIFT},
      {74, "Ctrl+Shift+F12", VK_F12, FCONTROL | FSHIFT},
      {75, "Ins", VK_INSERT, 0},
      {76, "Del", VK_DELETE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    EXPECT_STREQ(shortcutText(c.number), c.text);
    ACCEL a;
    ASSERT_TRUE(shortcutAccelerator(c.number, a));
    EXPECT_EQ(a.key, c.key);
    EXPECT_EQ(a.fVirt, FVIRTKEY | FNOINVERT | c.modifiers);
  }
  for (uint32_t none : {0u, 77u, 78u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(none);
    EXPECT_STREQ(shortcutText(none), "");
    ACCEL a;
    EXPECT_FALSE(shortcutAccelerator(none, a));
  }
}

TEST_F(MenuBarTest, TheBarFollowsTheItemTree) {
  load("menu_bar");
  HMENU bar = GetMenu(windowHandle());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2) << "the hidden drop-down is left out";
  EXPECT_EQ(menuText(bar, 0), "文件");
  EXPECT_EQ(menuText(bar, 1), "帮助");

  HMENU file = GetSubMenu(bar, 0);
  struct Item {
    const char* text;
    UINT id;
    UINT state;
  };
  const Item items[] = {
      {"打开文件\tCtrl+D", 20001, 0},
      {"保存文件", 20002, 0},
      {"", 0, MF_SEPARATOR},
      {"勾选", 20005, MF_CHECKED},
      {"灰色\tCtrl+G", 20006, MF_GRAYED},
  };
  ASSERT_EQ(GetMenuItemCount(file), 6) << "the hidden item is left out";
  for (UINT i = 0; i < std::size(items); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(menuText(file, i), items[i].text);
    EXPECT_EQ(GetMenuItemID(file, i), items[i].id);
    const UINT state = GetMenuState(file, i, MF_BYPOSITION);
    if (items[i].state & MF_SEPARATOR) {
      EXPECT_TRUE(state & MF_SEPARATOR);  // some systems also report separators as grayed
    } else {
      EXPECT_EQ(state & (MF_SEPARATOR | MF_CHECKED | MF_GRAYED), items[i].state);
    }
  }
  HMENU more = GetSubMenu(file, 5);
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(menuText(file, 5), "更多");
  EXPECT_EQ(menuText(more, 0), "深处\tF1");
  EXPECT_EQ(GetMenuItemID(more, 0), 20008u);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, 1), 0), 20010u);
  EXPECT_EQ(menuText(GetSubMenu(bar, 1), 0), "关于\tDel");
}

TEST_F(MenuBarTest, AcceleratorsCoverTheVisibleItemsWithShortcuts) {
  const MenuBar bar = buildMenuBar(useTestForm("menu_bar").windows[0]).value();
  ACCEL table[16];
  const int n = CopyAcceleratorTableA(bar.accelerators.get(), table, 16);
  std::vector<std::pair<WORD, WORD>> keys;
  for (int i = 0; i < n; ++i) keys.emplace_back(table[i].key, table[i].cmd);
  const std::vector<std::pair<WORD, WORD>> expected = {
      {'D', 20001}, {'G', 20006}, {VK_F1, 20008}, {VK_DELETE, 20010}};
  EXPECT_EQ(keys, expected);
}

TEST_F(MenuBarTest, AWindowWithoutMenuItemsHasNoBar) {
  WindowDescription bare;
  bare.units.resize(1);
  const MenuBar bar = buildMenuBar(bare).value();
  EXPECT_EQ(bar.menu, nullptr);
  EXPECT_EQ(bar.accelerators, nullptr);
}

// A window whose menu items stand at levels 0, 1, ..., `depth`: `depth` popups, each inside
// the one before.
FormDescription nestedMenus(int depth) {
  WindowDescription w;
  w.id = kWindow;
  w.unitIds.push_back(0x06010000);
  w.units.emplace_back().type = kWindowType;
  for (int level = 0; level <= depth; ++level) {
    w.unitIds.push_back(0x26000001 + level);
    UnitRecord& item = w.units.emplace_back();
    item.type = kMenuItemType;
    item.level = static_cast<uint32_t>(level);
    item.caption += 'x';
  }
  FormDescription form;
  form.windows.push_back(std::move(w));
  return form;
}

TEST_F(MenuBarTest, PopupsNestAtMost64Deep) {
  struct Case {
    int depth;
    bool builds;
  } cases[] = {{64, true}, {65, false}, {20000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    FormDescription form = nestedMenus(c.depth);
    const std::optional<MenuBar> bar = buildMenuBar(form.windows[0]);
    ASSERT_EQ(bar.has_value(), c.builds);

    setForm(&form);
    EXPECT_EQ(loadWindow(kWindow, false, nullptr), c.builds);
    EXPECT_EQ(findLoadedWindow(kWindow) != nullptr, c.builds);
    if (LoadedWindow* w = findLoadedWindow(kWindow)) DestroyWindow(w->hwnd());
    pumpMessages();
    setForm(nullptr);
  }
}

// --- commands -------------------------------------------------------------------------------

TEST_F(MenuBarTest, CommandIdsAreTheItemsPositions) {
  load("menu_bar");
  struct Case {
    UINT id;
    std::vector<Seen> events;
  };
  const Case cases[] = {
      {20001, {{0x26000002, 0, {}}}},
      {20005, {{0x26000006, 0, {}}}},
      {20000, {}},  // a drop-down title without a handler
      {20013, {}},  // past the last item
      {57600, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    clearEventLog();
    SendMessageA(windowHandle(), WM_COMMAND, c.id, 0);
    EXPECT_EQ(seenEvents(), c.events);
  }
}

// Windows with more items than a form holds, made in place: an id one past the last item
// reaches neither it nor the control after the items, and 57599 is the last id there is.
TEST_F(MenuBarTest, CommandIdsStopPastTheLastItemAndAt57599) {
  useTestForm("menu_bar");  // for its handler table
  const struct {
    int items;
    UINT id;
    std::vector<UnitId> clicked;
  } cases[] = {{2, 20002, {}}, {37601, 57599, {0x26000000 + 37599}}, {37601, 57600, {}}};
  for (const auto& c : cases) {
    FormDescription form;
    WindowDescription& d = form.windows.emplace_back();
    d.id = kWindow;
    d.unitIds.push_back(0x06010000);
    d.units.emplace_back().type = kWindowType;
    for (int i = 0; i < c.items; ++i) {
      d.unitIds.push_back(0x26000000 + i);
      UnitRecord& item = d.units.emplace_back();
      item.type = kMenuItemType;
      item.clickHandler = 0;
    }
    d.unitIds.push_back(kA);
    UnitRecord& control = d.units.emplace_back();
    control.type = kKeyProbeType;
    control.bindings = {{0, 0}};
    setForm(&form);
    clearEventLog();
    EXPECT_TRUE(handleMenuCommand(addLoadedWindow(form.windows[0]), c.id));
    std::vector<UnitId> clicked;
    for (const auto& e : eventLog()) clicked.push_back(e.unit);
    EXPECT_EQ(clicked, c.clicked) << c.id;
    removeLoadedWindow(kWindow);
    setForm(nullptr);
  }
}

TEST_F(MenuBarTest, WritingAnItemRebuildsTheBarOnlyWhenSomethingChanged) {
  load("menu_bar");
  HMENU before = GetMenu(windowHandle());
  writeProperty(kWindow, 0x26000006, 1, PropertyValue(1));  // already checked
  EXPECT_EQ(GetMenu(windowHandle()), before);

  writeProperty(kWindow, 0x26000003, 0, PropertyValue("另存为"));
  HMENU after = GetMenu(windowHandle());
  EXPECT_NE(after, before);
  EXPECT_FALSE(IsMenu(before)) << "the old bar is destroyed";
  EXPECT_EQ(menuText(GetSubMenu(after, 0), 1), "另存为");

  writeProperty(kWindow, 0x26000005, 3, PropertyValue(1));  // show the hidden item
  EXPECT_EQ(menuText(GetSubMenu(GetMenu(windowHandle()), 0), 3), "隐藏\tCtrl+S");
  focus(kA);
  KeysDown ctrl({VK_CONTROL});
  postKey(unitHandle(kA), WM_KEYDOWN, 'S');
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{0x26000005, 0, {}}}))
      << "the rebuilt accelerators are installed";
}

// --- accelerators and general events --------------------------------------------------------

TEST_F(MenuBarTest, CtrlDIsTheMenuCommandAndNeverReachesTheControl) {
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

TEST_F(MenuBarTest, KeysWithoutAcceleratorAreKeyEvents) {
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

TEST_F(MenuBarTest, AGrayedItemsShortcutRaisesNothing) {
  load("menu_bar");
  focus(kA);
  KeysDown ctrl({VK_CONTROL});
  postKey(unitHandle(kA), WM_KEYDOWN, 'G');
  for (const Seen& s : seenEvents()) EXPECT_NE(s.unit, 0x26000007u);
}

TEST_F(MenuBarTest, KeyAndWheelArgumentsAsTheHandlerSeesThem) {
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

TEST_F(MenuBarTest, MouseCoordinatesAreUnsigned) {
  load("menu_bar");
  PostMessageA(unitHandle(kA), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0xFFF0, 7));
  pumpMessages();
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventLButtonDown, {0xFFF0, 7, 0}}}));
}

TEST_F(MenuBarTest, OnlyAFalseReturnDiscardsTheKey) {
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

TEST_F(MenuBarTest, TheCharacterHandlerCanReplaceOrDropTheCharacter) {
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

TEST_F(MenuBarTest, ADisabledControlGetsItsKeysUntouched) {
  load("menu_bar");
  HWND a = unitHandle(kA);
  EnableWindow(a, FALSE);
  postKey(a, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_TRUE(seenEvents().empty());
  EXPECT_NE(findLoadedWindow(kWindow), nullptr) << "no navigation either";
  EXPECT_EQ(keysReceived(), (std::vector<Received>{{a, WM_KEYDOWN, VK_ESCAPE}}));
}

TEST_F(MenuBarTest, MessagesForWindowsOfNoUnitRaiseNothing) {
  load("menu_bar");
  HWND stray = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 200, 10, 20, 20,
                               windowHandle(), nullptr, nullptr, nullptr);
  PostMessageA(stray, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  pumpMessages();
  EXPECT_TRUE(seenEvents().empty());
  DestroyWindow(stray);
}

// --- navigation -----------------------------------------------------------------------------

TEST_F(MenuBarTest, EscClosesTheWindowFromAnyControl) {
  load("menu_bar");
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(eventsOf(0),
            (std::vector<int32_t>{kWindowCloseRequested, kWindowMayClose, kWindowDestroying}));
}

TEST_F(MenuBarTest, WithoutEscClosesEscIsAKeyLikeAnyOther) {
  load("menu_keys");  // EscCloses 0
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_NE(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventKeyDown, {VK_ESCAPE, 0}}}));
}

TEST_F(MenuBarTest, AControlThatWantsEscKeepsIt) {
  load("menu_bar");
  focus(kA);
  gWantedKeys = {VK_ESCAPE};
  postKey(unitHandle(kA), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_NE(findLoadedWindow(kWindow), nullptr);
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventKeyDown, {VK_ESCAPE, 0}}}));
}

TEST_F(MenuBarTest, TabVisitsTabStopsInTabOrderThenFormOrder) {
  load("menu_bar");
  // b and d have tab order 1, a has 2; c is no tab stop and e is hidden.
  EXPECT_EQ(tabStops(*findLoadedWindow(kWindow)),
            (std::vector<HWND>{unitHandle(kB), unitHandle(kD), unitHandle(kA)}));
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

TEST_F(MenuBarTest, EnterRunsTheDefaultAction) {
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

TEST_F(MenuBarTest, EnterMovesTheFocusWhenTheWindowSaysSo) {
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

TEST_F(MenuBarTest, AMessageFilterConsumesBeforeAnyEvent) {
  load("menu_keys");
  focus(kA);
  postKey(unitHandle(kA), WM_KEYDOWN, 'Q');
  postKey(unitHandle(kA), WM_KEYDOWN, 'R');
  EXPECT_EQ(seenEvents(), (std::vector<Seen>{{kA, kEventKeyDown, {'R', 0}}}));
  EXPECT_EQ(keysReceived(), (std::vector<Received>{{unitHandle(kA), WM_KEYDOWN, 'R'}}));
}

TEST_F(MenuBarTest, DragToMoveTurnsAPressOnTheWindowIntoACaptionPress) {
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

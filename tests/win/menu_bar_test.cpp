#include "ui/components/window/menu_bar.h"

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

class MenuBarTest : public MenuWindowTest {};

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

}  // namespace

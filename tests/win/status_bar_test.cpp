#include <windows.h>
#include <commctrl.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "form/property_blob.h"
#include "tests/support/form_window_fixture.h"
#include "tests/win/test_support.h"
#include "ui/components/status_bar/status_bar.h"
#include "ui/components/status_bar/status_parts.h"
#include "ui/loop/window_loading.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"

namespace {

constexpr UnitId kWin = 0x52200001, kBar = 0x16200001, kFreeBar = 0x16200002;

std::vector<int> edgesOf(HWND bar) {
  int n = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
  std::vector<int> edges(n);
  SendMessageA(bar, SB_GETPARTS, n, reinterpret_cast<LPARAM>(edges.data()));
  return edges;
}

// SB_GETTEXTLENGTHA may count characters rather than bytes, so the buffer is not sized by it.
std::string textOf(HWND bar, int part) {
  char text[1024] = {};
  SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
  return text;
}

// A bar drawn by the visual style ignores SB_SETBKCOLOR.
bool themed(HWND h) {
  using GetTheme = HANDLE(WINAPI*)(HWND);
  HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
  void* address =
      uxtheme ? reinterpret_cast<void*>(GetProcAddress(uxtheme, "GetWindowTheme")) : nullptr;
  auto get = reinterpret_cast<GetTheme>(address);
  return get && get(h) != nullptr;
}

int drawingTypeOf(HWND bar, int part) {
  return HIWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0));
}

bool isSimple(HWND bar) { return SendMessageA(bar, SB_ISSIMPLE, 0, 0) != 0; }

RECT rectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<uint8_t> bytesOf(const PropertyValue& v) {
  const ByteBuffer& b = v.asBytes();
  return std::vector<uint8_t>(b.data(), b.data() + b.size());
}

PropertyValue bytesValue(const std::vector<uint8_t>& bytes) {
  return PropertyValue(ByteBuffer::copyOf(bytes.data(), bytes.size()));
}

// Image list data as the ImageList property stores it: magic, an unused word, the stream.
std::vector<uint8_t> imageListData(int images, const char* magic = "MITL") {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, images, 0);
  for (int i = 0; i < images; ++i)
    ImageList_ReplaceIcon(list, -1, LoadIconA(nullptr, IDI_APPLICATION));
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  ImageList_Write(list, stream);
  ImageList_Destroy(list);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  HGLOBAL memory = nullptr;
  GetHGlobalFromStream(stream, &memory);
  std::vector<uint8_t> data(8, 0);
  std::copy(magic, magic + 4, data.begin());
  auto* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
  data.insert(data.end(), bytes, bytes + stat.cbSize.LowPart);
  GlobalUnlock(memory);
  stream->Release();
  return data;
}

class StatusBarTest : public FormWindowTest {
 protected:
  void SetUp() override {
    load("status", kWin);
    pumpMessages();
  }

  HWND window() { return findLoadedWindow(kWin)->hwnd(); }
  HWND bar(UnitId unit = kBar) { return resolveUnit(kWin, unit)->hwnd(); }
  int32_t add(const char* text, int width) {
    return addPart(kWin, kBar, textArg(text), intArg(width));
  }
  std::vector<StatusPart> storedParts() {
    return parseParts(bytesOf(readProperty(kWin, kBar, kBarParts)));
  }
};

TEST_F(StatusBarTest, StartsInSimpleModeWithNoParts) {
  EXPECT_TRUE(isSimple(bar()));
  EXPECT_EQ(textOf(bar(), 0), "");
  EXPECT_EQ(readProperty(kWin, kBar, kBarParts).asBytes().size(), 0u);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(bar(), WM_GETFONT, 0, 0)),
            GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(StatusBarTest, AddPartDefaults) {
  EXPECT_EQ(addPart(kWin, kBar, textArg("只有文本")), 0);
  EXPECT_EQ(edgesOf(bar()), std::vector<int>{50});
  EXPECT_EQ(textOf(bar(), 0), "只有文本");
  EXPECT_EQ(drawingTypeOf(bar(), 0), 0);
  EXPECT_EQ(SendMessageA(bar(), SB_GETICON, 0, 0), 0);
  EXPECT_EQ(storedParts(), (std::vector<StatusPart>{{50, kPartSunken, -1, "只有文本", ""}}));

  EXPECT_EQ(addPart(kWin, kBar), 1);
  EXPECT_EQ(edgesOf(bar()), (std::vector<int>{50, 100}));
}

TEST_F(StatusBarTest, AddPartArgumentsReachTheBar) {
  struct Case {
    int32_t width, icon, border;
    StatusPart stored;
    int drawingType;
  } cases[] = {
      {40, 0, 1, {40, kPartNoBorder, 0, "t", "tip"}, SBT_NOBORDERS},
      {40, 5, 2, {40, kPartRaised, 5, "t", "tip"}, SBT_POPOUT},
  };
  for (const auto& c : cases) {
    clearParts(kWin, kBar);
    EXPECT_EQ(addPart(kWin, kBar, textArg("t"), intArg(c.width), textArg("tip"), intArg(c.icon),
                      intArg(c.border)),
              0);
    EXPECT_EQ(storedParts(), std::vector<StatusPart>{c.stored});
    EXPECT_EQ(drawingTypeOf(bar(), 0), c.drawingType);
  }
}

TEST_F(StatusBarTest, PartTipsReachTheTooltips) {
  addPart(kWin, kBar, textArg("a"), intArg(100), textArg("第一个提示"));
  addPart(kWin, kBar, textArg("b"), intArg(-1), textArg("second tip"));
  char tip[64] = {};
  SendMessageA(bar(), SB_GETTIPTEXTA, MAKEWPARAM(1, sizeof tip), reinterpret_cast<LPARAM>(tip));
  EXPECT_STREQ(tip, "second tip");
  SendMessageA(bar(), SB_GETTIPTEXTA, MAKEWPARAM(0, sizeof tip), reinterpret_cast<LPARAM>(tip));
  EXPECT_STREQ(tip, "第一个提示");
}

TEST_F(StatusBarTest, ClearPartsGoesBackToSimpleMode) {
  clearParts(kWin, kBar);
  EXPECT_TRUE(isSimple(bar()));

  add("one", 100);
  add("two", -1);
  clearParts(kWin, kBar);
  EXPECT_TRUE(isSimple(bar()));
  EXPECT_EQ(textOf(bar(), 0), "");
  EXPECT_EQ(readProperty(kWin, kBar, kBarParts).asBytes().size(), 0u);

  EXPECT_EQ(add("again", 50), 0);
  EXPECT_EQ(add("and again", 50), 1);
}

// What the program's status routine does for every message.
TEST_F(StatusBarTest, EachStatusMessageReplacesThePrevious) {
  for (const char* message : {"程序已启动", "已打开用户选择文件"}) {
    clearParts(kWin, kBar);
    EXPECT_EQ(add(message, -1), 0);
    EXPECT_EQ(edgesOf(bar()), std::vector<int>{-1});
    EXPECT_EQ(textOf(bar(), 0), message);
  }
}

TEST_F(StatusBarTest, PartsPropertyReplacesTheList) {
  auto list = encodeParts({{60, kPartRaised, -1, "左", "l"}, {-1, kPartSunken, -1, "右", "r"}});
  writeProperty(kWin, kBar, kBarParts, bytesValue(list));
  EXPECT_EQ(bytesOf(readProperty(kWin, kBar, kBarParts)), list);
  EXPECT_EQ(edgesOf(bar()), (std::vector<int>{60, -1}));
  EXPECT_EQ(textOf(bar(), 0), "左");
  EXPECT_EQ(drawingTypeOf(bar(), 0), SBT_POPOUT);
  EXPECT_EQ(textOf(bar(), 1), "右");

  // A count of 0 is no parts; addPart then starts at 0.
  writeProperty(kWin, kBar, kBarParts, bytesValue({0, 0, 0, 0}));
  EXPECT_TRUE(isSimple(bar()));
  EXPECT_EQ(add("first", 10), 0);
}

TEST_F(StatusBarTest, DamagedPartsPropertyShowsItsWholeRecords) {
  auto list = encodeParts({{70, kPartSunken, -1, "whole", ""}, {-1, kPartSunken, -1, "cut", ""}});
  list.resize(list.size() - 2);
  writeProperty(kWin, kBar, kBarParts, bytesValue(list));
  EXPECT_EQ(edgesOf(bar()), std::vector<int>{70});
  EXPECT_EQ(textOf(bar(), 0), "whole");
  EXPECT_EQ(add("next", -1), 1);
  EXPECT_EQ(edgesOf(bar()), (std::vector<int>{70, -1}));

  writeProperty(kWin, kBar, kBarParts, bytesValue({0x05, 0x00}));
  EXPECT_TRUE(isSimple(bar()));
}

// The control takes at most 256 parts; a longer list leaves the bar as it was.
TEST_F(StatusBarTest, RefusedPartListKeepsTheBarAsItWas) {
  std::vector<StatusPart> many(256, StatusPart{2, kPartSunken, -1, "x", ""});
  writeProperty(kWin, kBar, kBarParts, bytesValue(encodeParts(many)));
  EXPECT_EQ(edgesOf(bar()).size(), 256u) << "the limit itself is taken";
  EXPECT_EQ(textOf(bar(), 254), "x");

  many.push_back(many.back());
  clearParts(kWin, kBar);
  add("kept", 80);
  writeProperty(kWin, kBar, kBarParts, bytesValue(encodeParts(many)));
  EXPECT_FALSE(isSimple(bar()));
  EXPECT_EQ(edgesOf(bar()), std::vector<int>{80});
  EXPECT_EQ(textOf(bar(), 0), "kept");
  EXPECT_EQ(storedParts().size(), 257u);

  clearParts(kWin, kBar);
  writeProperty(kWin, kBar, kBarParts, bytesValue(encodeParts(many)));
  EXPECT_TRUE(isSimple(bar()));
}

TEST_F(StatusBarTest, DocksAtTheBottomAfterTheWindowIsResized) {
  SetWindowPos(window(), nullptr, 0, 0, 520, 380, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  pumpMessages();
  RECT client, docked = rectInParent(bar());
  GetClientRect(window(), &client);
  EXPECT_EQ(docked.left, 0);
  EXPECT_EQ(docked.right, client.right);
  EXPECT_EQ(docked.bottom, client.bottom);

  RECT free = rectInParent(bar(kFreeBar));
  EXPECT_EQ(free.left, 20);
  EXPECT_EQ(free.top, 100);
  EXPECT_EQ(free.right - free.left, 240);
  EXPECT_EQ(free.bottom - free.top, 30);
}

TEST_F(StatusBarTest, RedockReturnsTheBarToItsEdge) {
  RECT before = rectInParent(bar());
  SetWindowPos(bar(), nullptr, 5, 5, 40, 10, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(bar(), UM_REDOCK, 0, 0);
  RECT after = rectInParent(bar());
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(StatusBarTest, AlignAndSizeGripRecreateTheBarKeepingItsParts) {
  add("甲", 100);
  add("乙", -1);
  struct Step {
    int property;
    int32_t value;
    int32_t readBack;
    DWORD styleMask, style;
  } steps[] = {
      {kBarAlign, 1, 1, CCS_BOTTOM | CCS_NORESIZE | CCS_NOPARENTALIGN, CCS_TOP},
      {kBarSizeGrip, 5, 1, SBARS_SIZEGRIP, SBARS_SIZEGRIP},
      {kBarAlign, 7, 2, CCS_BOTTOM | CCS_NORESIZE | CCS_NOPARENTALIGN,
       CCS_NORESIZE | CCS_NOPARENTALIGN},
      {kBarAlign, 0, 0, CCS_BOTTOM | CCS_NORESIZE | CCS_NOPARENTALIGN, CCS_BOTTOM},
  };
  for (const auto& s : steps) {
    HWND old = bar();
    writeProperty(kWin, kBar, s.property, s.value);
    EXPECT_NE(bar(), old);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(readProperty(kWin, kBar, s.property).asInt(), s.readBack);
    EXPECT_EQ(GetWindowLongA(bar(), GWL_STYLE) & s.styleMask, s.style);
    EXPECT_EQ(edgesOf(bar()), (std::vector<int>{100, -1}));
    EXPECT_EQ(textOf(bar(), 0), "甲");
    EXPECT_EQ(textOf(bar(), 1), "乙");
  }
  EXPECT_TRUE(GetWindowLongA(bar(), GWL_STYLE) & SBARS_SIZEGRIP);
}

TEST_F(StatusBarTest, TopBarSitsAtTheTopOfTheClientArea) {
  writeProperty(kWin, kBar, kBarAlign, 1);
  pumpMessages();
  RECT client, docked = rectInParent(bar());
  GetClientRect(window(), &client);
  EXPECT_EQ(docked.top, 0);
  EXPECT_EQ(docked.right, client.right);
}

TEST_F(StatusBarTest, ImageListGivesPartsTheirIcons) {
  auto data = imageListData(2);
  writeProperty(kWin, kBar, kBarImageList, bytesValue(data));
  EXPECT_EQ(bytesOf(readProperty(kWin, kBar, kBarImageList)), data);
  addPart(kWin, kBar, textArg("icon 1"), intArg(80), {}, intArg(1));
  addPart(kWin, kBar, textArg("no icon"), intArg(80));
  addPart(kWin, kBar, textArg("past the end"), intArg(-1), {}, intArg(9));
  EXPECT_NE(SendMessageA(bar(), SB_GETICON, 0, 0), 0);
  EXPECT_EQ(SendMessageA(bar(), SB_GETICON, 1, 0), 0);
  EXPECT_EQ(SendMessageA(bar(), SB_GETICON, 2, 0), 0);

  // Re-creation reads the list back from the saved properties.
  writeProperty(kWin, kBar, kBarSizeGrip, 1);
  EXPECT_NE(SendMessageA(bar(), SB_GETICON, 0, 0), 0);
}

TEST_F(StatusBarTest, BadImageListDataGivesNoList) {
  auto good = imageListData(1);
  auto wrongMagic = imageListData(1, "LTIM");
  auto cut = good;
  cut.resize(good.size() / 2);
  auto garbage = std::vector<uint8_t>{'M', 'I', 'T', 'L', 0, 0, 0, 0};
  garbage.resize(64, 0x5A);
  std::vector<uint8_t> cases[] = {
      {'M', 'I', 'T', 'L', 0, 0, 0, 0}, wrongMagic, cut, garbage, {'M', 'I', 'T', 'L'}, {},
  };
  for (const auto& data : cases) {
    writeProperty(kWin, kBar, kBarImageList, bytesValue(good));
    writeProperty(kWin, kBar, kBarImageList, bytesValue(data));
    clearParts(kWin, kBar);
    addPart(kWin, kBar, textArg("wants an icon"), intArg(-1), {}, intArg(0));
    EXPECT_EQ(SendMessageA(bar(), SB_GETICON, 0, 0), 0) << "data of " << data.size() << " bytes";
  }
}

TEST_F(StatusBarTest, FontIsMadeByTheSharedRule) {
  ASSERT_EQ(screenDpiY(), 96) << "the expectations below are for a 96-dpi screen";
  writeProperty(kWin, kBar, kBarFont, kFontSize, 20);
  auto font = reinterpret_cast<HFONT>(SendMessageA(bar(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA lf{};
  GetObjectA(font, sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -27);  // 26.67 pixels, rounded
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(lf.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(readProperty(kWin, kBar, kBarFont, kFontSize).asInt(), 20);

  // Stored data that is not a whole LOGFONTA.
  auto set = componentType(kStatusBarType)->operation<kOpSetProperty>();
  set(resolveUnit(kWin, kBar), kBarFont - 8, bytesValue({1, 2, 3}));
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(bar(), WM_GETFONT, 0, 0)),
            GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(StatusBarTest, BackColorPaintsTheBar) {
  struct Case {
    uint32_t written;
    COLORREF painted;
  } cases[] = {
      {0x000000FF, RGB(255, 0, 0)},
      {0x00336699, 0x00336699},
      {kSystemDefaultColour, GetSysColor(COLOR_BTNFACE)},
  };
  for (const auto& c : cases) {
    writeProperty(kWin, kFreeBar, kBarBackColor, c.written);
    EXPECT_EQ(readProperty(kWin, kFreeBar, kBarBackColor).low(), c.written);
    if (themed(bar(kFreeBar))) continue;
    RedrawWindow(bar(kFreeBar), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(bar(kFreeBar));
    EXPECT_EQ(GetPixel(dc, 120, 15), c.painted);
    ReleaseDC(bar(kFreeBar), dc);
  }
}

TEST_F(StatusBarTest, DestroyingTheBarClearsItsUnit) {
  DestroyWindow(bar());
  EXPECT_EQ(findLoadedWindow(kWin)->find(kBar)->object, nullptr);
}

}  // namespace

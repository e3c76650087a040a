// Every clickable item of the real Quenlo.exe's menu bar, chosen by keyboard as a user without a
// mouse does, and what each one does to the window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"

namespace {

enum class Effect { Dialog, Status, Size, Style, Back, Text, ReadOnly, Help };
enum Style { kRegular = 0, kBold = 1, kItalic = 2 };

struct Choice {
  const char* caption;
  int title, item;  // places on the bar and in the drop-down, from 0
  Effect effect;
  uint32_t value;      // points, style, colour, or whether PathBox is read-only
  const char* status;  // the status afterwards, where it changes; elsewhere it stays
};

// The sizes end large, so that the style and colour rows look at big letters; the background
// ends pink, which is none of the text colours.
const Choice kChoices[] = {
    {"打开文件", 0, 0, Effect::Dialog, 0, "已打开用户选择文件"},
    {"保存文件", 0, 1, Effect::Dialog, 0, "已保存用户选择文件"},
    {"保存当前数据到当前路径", 0, 2, Effect::Status, 0, "用户手动保存文件到Quenlo备份.txt"},
    {"B5", 1, 3, Effect::Size, 5},
    {"B10", 1, 4, Effect::Size, 10},
    {"B18", 1, 5, Effect::Size, 18},
    {"B28", 1, 6, Effect::Size, 28},
    {"B38", 1, 7, Effect::Size, 38},
    {"B48", 1, 8, Effect::Size, 48},
    {"B58", 1, 9, Effect::Size, 58},
    {"加粗", 1, 1, Effect::Style, kBold},
    {"常规", 1, 0, Effect::Style, kRegular},
    {"倾斜", 1, 2, Effect::Style, kItalic},
    {"深青", 2, 0, Effect::Back, RGB(0, 128, 128)},
    {"黑", 2, 1, Effect::Back, RGB(0, 0, 0)},
    {"白", 2, 2, Effect::Back, RGB(255, 255, 255)},
    {"蓝", 2, 3, Effect::Back, RGB(0, 0, 255)},
    {"红", 2, 4, Effect::Back, RGB(255, 0, 0)},
    {"粉", 2, 5, Effect::Back, RGB(255, 168, 255)},
    {"白色", 3, 0, Effect::Text, RGB(255, 255, 255)},
    {"黑色", 3, 1, Effect::Text, RGB(0, 0, 0)},
    {"黄色", 3, 2, Effect::Text, RGB(255, 255, 0)},
    {"蓝色", 3, 3, Effect::Text, RGB(0, 0, 255)},
    {"红色", 3, 4, Effect::Text, RGB(255, 0, 0)},
    {"取消保护路径显示框", 4, 1, Effect::ReadOnly, 0, "路径框取消保护，现在用户可以编辑"},
    {"保护路径显示框", 4, 0, Effect::ReadOnly, 1, "路径框已被保护，现在用户不可编辑"},
    {"功能介绍与更新", 5, 0, Effect::Help, 0},
};

constexpr char kBars[] = "||||||||||";  // ten upright strokes: the first line of the text

// The line height and the width of kBars in InputBox's font at `points` in `style`.
SIZE measured(int points, int style) {
  return inputBoxTextSize(points, style & kBold, style & kItalic, kBars);
}

POINT charAt(HWND edit, int index) {
  const LRESULT p = SendMessageA(edit, EM_POSFROMCHAR, index, 0);
  return {static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p))};
}

// The pixels of a rectangle of `window`'s client area, as the screen shows them.
class Shot {
 public:
  Shot(HWND window, const RECT& r) : r_(r), pixels_(width() * height()) {
    POINT origin{r.left, r.top};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width(), -height(), 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width(), height(), screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    for (size_t i = 0; i < pixels_.size(); ++i) {
      const uint32_t p = static_cast<const uint32_t*>(bits)[i];
      pixels_[i] = RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  int width() const { return r_.right - r_.left; }
  int height() const { return r_.bottom - r_.top; }
  COLORREF at(int x, int y) const { return pixels_[y * width() + x]; }
  bool holds(COLORREF c) const {
    return std::find(pixels_.begin(), pixels_.end(), c) != pixels_.end();
  }
  // The first column from the left in rows [top, bottom) with a pixel other than `back`.
  int firstInk(int top, int bottom, COLORREF back) const {
    for (int x = 0; x < width(); ++x)
      for (int y = top; y < bottom; ++y)
        if (at(x, y) != back) return x;
    return -1;
  }

 private:
  RECT r_;
  std::vector<COLORREF> pixels_;
};

class MenuE2E : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window"; }

  HWND input() { return app.inputBox(); }
  // Where kBars is shown, from the top of its first line to the top of the second.
  RECT barsRect() {
    const POINT first = charAt(input(), 0), after = charAt(input(), sizeof kBars - 1);
    const POINT below = charAt(input(), sizeof kBars + 2);
    return {first.x, first.y, after.x, below.y};
  }
  COLORREF background() {
    RECT client;
    GetClientRect(input(), &client);
    return Shot(input(), {client.right - 4, client.bottom - 4, client.right - 3, client.bottom - 3})
        .at(0, 0);
  }
  // An upright stroke starts as far left at its top as at its bottom; a slanted one does not.
  bool slanted(const RECT& bars) {
    const Shot shot(input(), {bars.left, bars.top, bars.right + 40, bars.bottom});
    const int third = shot.height() / 3;
    const int top = shot.firstInk(0, third, background());
    return top > shot.firstInk(2 * third, shot.height(), background()) + 2;
  }
  // Whether the window shows what choosing `c` does.
  bool shows(const Choice& c, const std::string& statusBefore) {
    if (app.status() != (c.status ? c.status : statusBefore)) return false;
    const RECT bars = barsRect();
    const int value = static_cast<int>(c.value);
    switch (c.effect) {
      case Effect::Size:
        return bars.bottom - bars.top == measured(value, kRegular).cy;
      case Effect::Style:
        return bars.right - bars.left == measured(size_, value).cx &&
               slanted(bars) == ((value & kItalic) != 0);
      case Effect::Back:
        return background() == c.value;
      case Effect::Text:
        return Shot(input(), bars).holds(c.value);
      case Effect::ReadOnly:
        return ((GetWindowLongA(app.pathBox(), GWL_STYLE) & ES_READONLY) != 0) == (value != 0);
      default:
        return true;
    }
  }
  std::string measures() {
    const RECT r = barsRect();
    return "text " + std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top);
  }
  // Closes the box the choice shows; the command has ended when it returns.
  void closeBox(const Choice& c) {
    HWND box = app.waitForDialog(c.effect == Effect::Help ? "帮助" : nullptr);
    ASSERT_NE(box, nullptr) << "no dialog";
    if (c.effect == Effect::Help) {
      const std::string text = windowText(GetDlgItem(box, 0xFFFF));
      EXPECT_EQ(text.rfind("本软件是Kestrin2.0的升级版。\r\n功能：\r\n", 0), 0u) << text;
      EXPECT_NE(text.find("（默认为保护，可在高级菜单找到设置）"), std::string::npos);
    }
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
    ASSERT_TRUE(app.sync());
  }

  QuenloApp app;
  int size_ = 18;
};

// F10 and Alt both open the bar; the arrow keys go to the item and Enter chooses it.
TEST_F(MenuE2E, EveryItemChosenByKeyboardDoesWhatItSays) {
  ASSERT_NE(measured(58, kBold).cx, measured(58, kRegular).cx) << "bold is told by its width";
  app.focus(input());
  app.paste(std::string(kBars) + "x\r\n|");
  ASSERT_TRUE(waitUntil([&] { return app.status() == "正在输入内容-当前内容未被保存"; }));
  EXPECT_EQ(background(), RGB(255, 255, 255));
  int n = 0;
  for (const Choice& c : kChoices) {
    SCOPED_TRACE(c.caption);
    const WORD opener = n++ % 2 ? VK_MENU : VK_F10;
    const std::string statusBefore = app.status();
    ASSERT_TRUE(app.chooseByKeyboard(c.title, c.item, opener)) << "the menu did not open";
    if (c.effect == Effect::Size) size_ = static_cast<int>(c.value);
    if (c.effect == Effect::Dialog || c.effect == Effect::Help) closeBox(c);
    EXPECT_TRUE(waitUntil([&] { return shows(c, statusBefore); }))
        << app.status() << "; " << measures();
    // A box the choice should not have shown goes, so that the next row can still be chosen.
    for (HWND box; (box = app.waitForDialog(nullptr, 200));) {
      PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
      waitUntil([&] { return !IsWindow(box); });
    }
    ASSERT_TRUE(app.sync());
  }
  EXPECT_EQ(readFile(app.inFolder("Quenlo备份.txt")), std::string(kBars) + "x\r\n|");
}

}  // namespace

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "form/property_blob.h"
#include "tests/support/form_window_fixture.h"
#include "tests/win/test_support.h"
#include "ui/components/trans_label/trans_label.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"

namespace {

constexpr UnitId kWin = 0x52210001, kBig = 0x16210001, kEmpty = 0x16210002, kPlain = 0x16210003;
constexpr UnitId kPictureWin = 0x52210002, kPathLabel = 0x16210001;
constexpr COLORREF kBackground = 0x00408020;
constexpr COLORREF kRed = RGB(255, 0, 0);

// The pixels of a rectangle of a window's client area, row by row.
class Capture {
 public:
  Capture(HWND hwnd, RECT area) : width_(area.right - area.left), height_(area.bottom - area.top) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB};
    void* bits = nullptr;
    HDC source = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(source);
    OwnedBitmap bitmap(CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
      SelectObjectScope select(memory, bitmap.get());
      BitBlt(memory, 0, 0, width_, height_, source, area.left, area.top, SRCCOPY);
    }
    auto* quads = static_cast<const RGBQUAD*>(bits);
    for (int i = 0; i < width_ * height_; ++i)
      pixels_.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    DeleteDC(memory);
    ReleaseDC(hwnd, source);
  }

  COLORREF at(int x, int y) const { return pixels_[y * width_ + x]; }
  int count(COLORREF c) const {
    return static_cast<int>(std::count(pixels_.begin(), pixels_.end(), c));
  }
  // Bounding box of the pixels that `match` (empty when none).
  template <class Match>
  RECT boxWhere(Match match) const {
    RECT box{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (match(at(x, y))) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
  }
  RECT inkBox(COLORREF background) const {
    return boxWhere([&](COLORREF c) { return c != background; });
  }
  RECT boxOf(COLORREF colour) const {
    return boxWhere([&](COLORREF c) { return c == colour; });
  }
  bool cornersAre(COLORREF c) const {
    return at(1, 1) == c && at(width_ - 2, 1) == c && at(1, height_ - 2) == c &&
           at(width_ - 2, height_ - 2) == c;
  }

 private:
  int width_, height_;
  std::vector<COLORREF> pixels_;
};

RECT rectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class TransLabelTest : public FormWindowTest {
 protected:
  void SetUp() override {
    load("label", kWin);
    settle();
  }

  void settle() {
    pumpMessages();
    UpdateWindow(window());
    pumpMessages();
  }
  HWND window() { return findLoadedWindow(kWin)->hwnd(); }
  HWND label(UnitId unit) { return resolveUnit(kWin, unit)->hwnd(); }
  Capture capture(UnitId unit) { return Capture(window(), rectInParent(label(unit))); }
  RECT inkOf(UnitId unit) {
    settle();
    return capture(unit).inkBox(kBackground);
  }
};

TEST_F(TransLabelTest, ParentBackgroundShowsAroundTheLetters) {
  Capture big = capture(kBig);
  EXPECT_TRUE(big.cornersAre(kBackground));
  EXPECT_GT(big.count(kRed), 100);
  RECT ink = big.inkBox(kBackground);
  EXPECT_GT(ink.left, 10);  // centred: the left edge of the label stays clear
}

TEST_F(TransLabelTest, EmptyCaptionPaintsNothing) {
  EXPECT_TRUE(IsWindowVisible(label(kEmpty)));
  RECT ink = capture(kEmpty).inkBox(kBackground);
  EXPECT_TRUE(IsRectEmpty(&ink));
}

TEST_F(TransLabelTest, NewParentBackgroundShowsThroughTheLabel) {
  constexpr COLORREF kNewBackground = 0x00203040;
  writeProperty(kWin, 0, kWinBackColor, static_cast<uint32_t>(kNewBackground));
  settle();
  Capture big = capture(kBig);
  EXPECT_TRUE(big.cornersAre(kNewBackground));
  EXPECT_EQ(big.count(kBackground), 0);
  EXPECT_GT(big.count(kRed), 100);
}

// The label erases nothing itself: without the refresh-behind the old letters would stay.
TEST_F(TransLabelTest, PropertyChangesRepaintWhatIsBehind) {
  int wide = capture(kBig).count(kRed);
  writeProperty(kWin, kBig, kLabelCaption, "i");
  settle();
  Capture narrow = capture(kBig);
  EXPECT_LT(narrow.count(kRed), wide / 4);
  RECT ink = narrow.inkBox(kBackground);
  EXPECT_GT(ink.left, 100);
  EXPECT_LT(ink.right, 140);

  writeProperty(kWin, kBig, kLabelTextColor, 0x00FF0000);
  settle();
  EXPECT_EQ(capture(kBig).count(kRed), 0);
}

TEST_F(TransLabelTest, MovingRepaintsTheOldPlace) {
  RECT before = rectInParent(label(kBig));
  writeProperty(kWin, kBig, 0, 120);
  settle();
  RECT oldInk = Capture(window(), before).inkBox(kBackground);
  RECT overlap, moved = rectInParent(label(kBig));
  // Only the moved label may still show inside the old rectangle.
  if (!IsRectEmpty(&oldInk)) {
    OffsetRect(&oldInk, before.left, before.top);
    EXPECT_TRUE(IntersectRect(&overlap, &oldInk, &moved));
    EXPECT_TRUE(EqualRect(&overlap, &oldInk));
  }
  EXPECT_GT(capture(kBig).count(kRed), 100);
}

TEST_F(TransLabelTest, ChoicesAreClamped) {
  struct Case {
    int property;
    int32_t written, read;
  } cases[] = {
      {kLabelTextEffect, 5, 3}, {kLabelTextEffect, -1, 0}, {kLabelTextEffect, 2, 2},
      {kLabelHAlign, 7, 2},     {kLabelHAlign, 1, 1},      {kLabelVAlign, 9, 2},
      {kLabelVAlign, -2, 0},    {kLabelWordWrap, 4, 1},
  };
  for (const auto& c : cases) {
    writeProperty(kWin, kBig, c.property, c.written);
    EXPECT_EQ(readProperty(kWin, kBig, c.property).asInt(), c.read)
        << "property " << c.property << " written " << c.written;
  }
}

TEST_F(TransLabelTest, AlignmentPlacesTheText) {
  RECT box[3][3];  // [HAlign][VAlign]
  for (int h = 0; h < 3; ++h)
    for (int v = 0; v < 3; ++v) {
      writeProperty(kWin, kBig, kLabelHAlign, h);
      writeProperty(kWin, kBig, kLabelVAlign, v);
      box[h][v] = inkOf(kBig);
    }
  RECT area = rectInParent(label(kBig));
  int width = area.right - area.left;
  EXPECT_LE(box[0][0].left, 3);
  EXPECT_GE(box[2][0].right, width - 3);
  EXPECT_NEAR(box[1][0].left - box[0][0].left, box[2][0].right - box[1][0].right, 1);
  // The same distance from top to centre as from centre to bottom.
  int toCentre = box[0][1].top - box[0][0].top, toBottom = box[0][2].top - box[0][1].top;
  EXPECT_GT(toCentre, 0);
  EXPECT_NEAR(toCentre, toBottom, 1);

  writeProperty(kWin, kBig, kLabelWordWrap, 1);
  EXPECT_EQ(inkOf(kBig).top, box[2][0].top);  // wrapped text starts at the top
}

TEST_F(TransLabelTest, WrappedTextBreaksAtWords) {
  writeProperty(kWin, kBig, kLabelCaption, "WW WW");
  writeProperty(kWin, kBig, kLabelHAlign, 0);
  RECT single = inkOf(kBig);
  writeProperty(kWin, kBig, 2, 90);  // narrower than the text
  writeProperty(kWin, kBig, 3, 150);
  writeProperty(kWin, kBig, kLabelWordWrap, 1);
  RECT wrapped = inkOf(kBig);
  EXPECT_GT(wrapped.bottom - wrapped.top, (single.bottom - single.top) * 3 / 2);
}

TEST_F(TransLabelTest, EffectsDrawTheirCopies) {
  const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
  struct Case {
    int effect;
    bool white, black;
    int shift;  // of the text itself
  } cases[] = {{0, false, false, 0}, {1, true, false, 0}, {2, true, false, 1}, {3, false, true, 0}};
  RECT plain{};
  for (const auto& c : cases) {
    writeProperty(kWin, kBig, kLabelTextEffect, c.effect);
    settle();
    Capture big = capture(kBig);
    EXPECT_EQ(big.count(kWhite) > 0, c.white) << "effect " << c.effect;
    EXPECT_EQ(big.count(kBlack) > 0, c.black) << "effect " << c.effect;
    RECT red = big.boxOf(kRed);
    if (c.effect == 0) plain = red;
    EXPECT_EQ(red.left, plain.left + c.shift) << "effect " << c.effect;
    EXPECT_EQ(red.top, plain.top + c.shift) << "effect " << c.effect;
  }
}

TEST_F(TransLabelTest, StoredDefaults) {
  struct Case {
    int property;
    int32_t value;
  } cases[] = {{kLabelTextEffect, 0},
               {kLabelTextColor, 0},
               {kLabelHAlign, 0},
               {kLabelWordWrap, 0},
               {kLabelVAlign, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(readProperty(kWin, kPlain, c.property).asInt(), c.value) << c.property;
  EXPECT_EQ(readProperty(kWin, kPlain, kLabelCaption).asText(), "透明标签");
  char text[32];
  GetWindowTextA(label(kPlain), text, sizeof text);
  EXPECT_STREQ(text, "透明标签");
  // No font: the model answers with DEFAULT_GUI_FONT's.
  ASSERT_EQ(screenDpiY(), 96) << "the default font's size is known for a 96-dpi screen";
  EXPECT_EQ(readProperty(kWin, kPlain, kLabelFont, kFontSize).asInt(), defaultGuiFontPoints());
}

TEST_F(TransLabelTest, CaptionIsAlsoTheWindowText) {
  writeProperty(kWin, kPlain, kLabelCaption, "新标题");
  char text[32];
  GetWindowTextA(label(kPlain), text, sizeof text);
  EXPECT_STREQ(text, "新标题");
  EXPECT_EQ(readProperty(kWin, kPlain, kLabelCaption).asText(), "新标题");
}

TEST_F(TransLabelTest, SavedPropertiesReadBack) {
  writeProperty(kWin, kBig, kLabelTextEffect, 2);
  writeProperty(kWin, kBig, kLabelVAlign, 0);
  auto save = componentType(kTransLabelType)->operation<kOpSaveProperties>();
  auto data = save(resolveUnit(kWin, kBig));
  auto blob = PropertyBlob::read(*blobLayoutFor(kTransLabelType), data.data(), data.size());
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->storedVersion(), 1u);
  EXPECT_EQ(blob->number(TransLabelBlob::TextEffect), 2);
  EXPECT_EQ(blob->number(TransLabelBlob::TextColor), 0x000000FF);
  EXPECT_EQ(blob->number(TransLabelBlob::HAlign), 1);
  EXPECT_EQ(blob->number(TransLabelBlob::VAlign), 0);
  EXPECT_EQ(blob->bytes(TransLabelBlob::Font).size(), 60u);
  EXPECT_EQ(blob->text(TransLabelBlob::Caption), "WWW");
}

// The path label of the main window: white bold "路径" over the background picture.
TEST(TransLabelPicture, PictureShowsAroundThePathLabel) {
  useTestForm("label_picture");
  ASSERT_TRUE(loadWindow(kPictureWin, false, nullptr));
  HWND window = findLoadedWindow(kPictureWin)->hwnd();
  HWND label = resolveUnit(kPictureWin, kPathLabel)->hwnd();
  RECT area = rectInParent(label);
  pumpMessages();
  UpdateWindow(window);
  Capture with(window, area);
  ShowWindow(label, SW_HIDE);
  UpdateWindow(window);
  Capture without(window, area);

  RECT changed{1000, 1000, 0, 0};
  int white = 0;
  for (int y = 0; y < area.bottom - area.top; ++y)
    for (int x = 0; x < area.right - area.left; ++x) {
      if (with.at(x, y) == without.at(x, y)) continue;
      changed.left = std::min<LONG>(changed.left, x);
      changed.top = std::min<LONG>(changed.top, y);
      changed.right = std::max<LONG>(changed.right, x + 1);
      changed.bottom = std::max<LONG>(changed.bottom, y + 1);
      white += with.at(x, y) == RGB(255, 255, 255);
    }
  EXPECT_GT(white, 20);
  // Centred both ways in 64 x 32, with the picture untouched around the letters.
  EXPECT_NEAR(changed.left, 64 - changed.right, 2);
  EXPECT_GT(changed.left, 3);
  EXPECT_GT(changed.top, 0);
  EXPECT_LT(changed.bottom, 32);
  DestroyWindow(window);
  pumpMessages();
}

}  // namespace

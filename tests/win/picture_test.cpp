#include "ui/picture.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/win/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr COLORREF kMarker = RGB(1, 2, 3);  // what painting must leave alone

// A 32-bit top-down DIB section selected into a memory DC, filled with kMarker.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_.get());
    for (int i = 0; i < width * height; ++i) bits_[i] = 0x010203;
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  RECT rect() const { return {0, 0, width_, height_}; }
  int width() const { return width_; }
  int height() const { return height_; }
  COLORREF at(int x, int y) const {
    GdiFlush();
    const uint32_t p = bits_[y * width_ + x];
    return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
  }

 private:
  int width_;
  int height_;
  OwnedBitmap bitmap_;
  uint32_t* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

COLORREF gradient(int x, int y) { return RGB(x * 7 % 251, y * 5 % 253, (x + y) % 256); }
Colours solid(COLORREF c) {
  return [c](int, int) { return c; };
}

void load(BackgroundPicture& picture, const Bytes& data, COLORREF background = 0) {
  ASSERT_TRUE(picture.load(data.data(), data.size(), background));
}

// Paints the whole canvas in one call; returns what remains to fill.
OwnedRegion paintAll(BackgroundPicture& picture, int mode, const Canvas& canvas) {
  const RECT client = canvas.rect();
  OwnedRegion remaining(CreateRectRgnIndirect(&client));
  picture.paint(canvas.dc(), mode, client, client, remaining.get());
  return remaining;
}

OwnedRegion regionOf(std::initializer_list<RECT> rects) {
  OwnedRegion r(CreateRectRgn(0, 0, 0, 0));
  for (const RECT& rect : rects) {
    OwnedRegion part(CreateRectRgnIndirect(&rect));
    CombineRgn(r.get(), r.get(), part.get(), RGN_OR);
  }
  return r;
}

void expectRegion(const OwnedRegion& expected, const OwnedRegion& actual) {
  RECT e{};
  RECT a{};
  GetRgnBox(expected.get(), &e);
  GetRgnBox(actual.get(), &a);
  EXPECT_TRUE(EqualRgn(expected.get(), actual.get()))
      << "box " << a.left << "," << a.top << "," << a.right << "," << a.bottom << " expected "
      << e.left << "," << e.top << "," << e.right << "," << e.bottom;
}

// Every pixel: inside `drawn` the expected colour, elsewhere the marker.
void expectPixels(const Canvas& canvas, const RECT& drawn, const Colours& expected) {
  int wrong = 0;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const POINT p{x, y};
      const COLORREF want = PtInRect(&drawn, p) ? expected(x, y) : kMarker;
      if (canvas.at(x, y) != want && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << canvas.at(x, y)
                      << " expected " << want;
    }
  }
  EXPECT_EQ(0, wrong);
}

Bytes fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// 2 x 1 RGBA: a transparent red pixel and an opaque green one.
const Bytes kTwoPixelPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xF4,
    0x22, 0x7F, 0x8A, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xF8,
    0xCF, 0x00, 0x04, 0xFF, 0x19, 0xFE, 0x03, 0x00, 0x0B, 0xFD, 0x02, 0xFE, 0x00, 0xEF, 0x67,
    0xC6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

TEST(BackgroundPicture, LoadTakesPicturesAndRefusesEverythingElse) {
  const Bytes bmp = bmpOf(5, 4, gradient);
  struct Case {
    const char* what;
    Bytes data;
    bool loads;
  } cases[] = {
      {"bitmap", bmp, true},
      {"png", kTwoPixelPng, true},
      {"seven bytes", Bytes(bmp.begin(), bmp.begin() + 7), false},
      {"bitmap cut short", Bytes(bmp.begin(), bmp.end() - 3), false},
      {"gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}, false},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, false},
  };
  BackgroundPicture picture;
  for (const auto& c : cases) {
    load(picture, bmp);
    EXPECT_EQ(c.loads, picture.load(c.data.data(), c.data.size(), 0)) << c.what;
    EXPECT_EQ(!c.loads, picture.empty()) << c.what;
  }
  load(picture, bmp);
  EXPECT_EQ(5, picture.size().cx);
  EXPECT_EQ(4, picture.size().cy);
}

TEST(BackgroundPicture, NoPicturePaintsNothing) {
  BackgroundPicture picture;
  Canvas canvas(20, 10);
  for (int mode = 0; mode < 4; ++mode) {
    OwnedRegion remaining = paintAll(picture, mode, canvas);
    expectRegion(regionOf({canvas.rect()}), remaining);
  }
  expectPixels(canvas, {}, gradient);
}

TEST(BackgroundPicture, PngIsBlendedOverTheBackgroundColour) {
  BackgroundPicture picture;
  load(picture, kTwoPixelPng, RGB(10, 20, 30));
  Canvas canvas(2, 1);
  paintAll(picture, kPictureTopLeft, canvas);
  EXPECT_EQ(RGB(10, 20, 30), canvas.at(0, 0));
  EXPECT_EQ(RGB(0, 255, 0), canvas.at(1, 0));
}

TEST(BackgroundPicture, TopLeftDrawsNaturalSizeAndLeavesTheRest) {
  BackgroundPicture picture;
  load(picture, bmpOf(5, 4, gradient));
  Canvas canvas(12, 10);
  OwnedRegion remaining = paintAll(picture, kPictureTopLeft, canvas);
  expectPixels(canvas, {0, 0, 5, 4}, gradient);
  expectRegion(regionOf({{5, 0, 12, 4}, {0, 4, 12, 10}}), remaining);

  Canvas clipped(12, 10);
  const RECT client = clipped.rect();
  const RECT clip = {2, 1, 4, 3};
  OwnedRegion rest(CreateRectRgnIndirect(&clip));
  picture.paint(clipped.dc(), kPictureTopLeft, client, clip, rest.get());
  expectPixels(clipped, clip, gradient);
  expectRegion(regionOf({}), rest);
}

TEST(BackgroundPicture, TiledCoversTheClientFromTheOrigin) {
  // A tiny picture is tiled through a block of repeats, a larger one directly.
  for (SIZE size : {SIZE{3, 2}, SIZE{70, 65}}) {
    SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
    BackgroundPicture picture;
    load(picture, bmpOf(size.cx, size.cy, gradient));
    auto tiled = [size](int x, int y) { return gradient(x % size.cx, y % size.cy); };
    Canvas canvas(150, 140);
    OwnedRegion remaining = paintAll(picture, kPictureTiled, canvas);
    expectPixels(canvas, canvas.rect(), tiled);
    expectRegion(regionOf({}), remaining);

    Canvas part(150, 140);
    const RECT clip = {50, 40, 90, 100};
    OwnedRegion rest(CreateRectRgnIndirect(&clip));
    picture.paint(part.dc(), kPictureTiled, part.rect(), clip, rest.get());
    expectPixels(part, clip, tiled);
  }
}

TEST(BackgroundPicture, CentredAtNaturalSizeWhenItFits) {
  BackgroundPicture picture;
  load(picture, bmpOf(5, 4, gradient));
  Canvas canvas(12, 10);
  OwnedRegion remaining = paintAll(picture, kPictureCentred, canvas);
  expectPixels(canvas, {3, 3, 8, 7}, [](int x, int y) { return gradient(x - 3, y - 3); });
  expectRegion(regionOf({{0, 0, 12, 3}, {0, 3, 3, 7}, {8, 3, 12, 7}, {0, 7, 12, 10}}), remaining);
}

TEST(BackgroundPicture, CentredShrinksToFitWithStripsLeftToFill) {
  // The main window's picture in a 712 x 371 client: 494 x 371 at x = 109.
  BackgroundPicture picture;
  load(picture, bmpOf(2048, 1536, solid(RGB(200, 100, 50))));
  Canvas canvas(712, 371);
  OwnedRegion remaining = paintAll(picture, kPictureCentred, canvas);
  expectPixels(canvas, {109, 0, 603, 371}, solid(RGB(200, 100, 50)));
  expectRegion(regionOf({{0, 0, 109, 371}, {603, 0, 712, 371}}), remaining);
}

TEST(BackgroundPicture, StretchedCoversTheClientAtEverySize) {
  BackgroundPicture picture;
  load(picture, bmpOf(64, 48, solid(RGB(30, 160, 90))));
  for (SIZE size : {SIZE{100, 80}, SIZE{30, 20}, SIZE{64, 48}, SIZE{100, 80}}) {
    SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
    Canvas canvas(size.cx, size.cy);
    OwnedRegion remaining = paintAll(picture, kPictureStretched, canvas);
    expectPixels(canvas, canvas.rect(), solid(RGB(30, 160, 90)));
    expectRegion(regionOf({}), remaining);
  }
}

TEST(BackgroundPicture, ShrinkingAveragesFineDetail) {
  if (displayStretchMode() != HALFTONE) GTEST_SKIP() << "a display of 16 bits or less";
  // One-pixel black and white checks shrunk four times: HALFTONE gives an even gray where
  // picking pixels would give black or white. Wine's HALFTONE interpolates between nearby
  // pixels instead of averaging all of them (a straight 4:1 HALFTONE gives black or white
  // there, where Windows gives gray); the picture's own halving does the averaging, so the
  // check holds on both.
  BackgroundPicture picture;
  load(picture, bmpOf(400, 400, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFF : 0; }));
  Canvas canvas(100, 100);
  paintAll(picture, kPictureStretched, canvas);
  for (int y = 0; y < 100; y += 9) {
    for (int x = 0; x < 100; x += 7) {
      const COLORREF c = canvas.at(x, y);
      ASSERT_NEAR(128, GetRValue(c), 8) << x << "," << y;
      ASSERT_EQ(GetRValue(c), GetGValue(c));
      ASSERT_EQ(GetRValue(c), GetBValue(c));
    }
  }
}

TEST(BackgroundPicture, RepaintsOfPartsMatchAWholePaint) {
  struct Case {
    int mode;
    SIZE picture;
  } cases[] = {
      {kPictureTopLeft, {90, 70}},     {kPictureTiled, {90, 70}},
      {kPictureCentred, {90, 70}},    // fits
      {kPictureCentred, {300, 400}},  // shrinks
      {kPictureStretched, {300, 200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " picture " + std::to_string(c.picture.cx));
    BackgroundPicture picture;
    load(picture, bmpOf(c.picture.cx, c.picture.cy, gradient));
    Canvas whole(200, 150);
    paintAll(picture, c.mode, whole);
    Canvas parts(200, 150);
    const RECT client = parts.rect();
    for (RECT clip :
         {RECT{0, 0, 77, 61}, RECT{77, 0, 200, 61}, RECT{0, 61, 77, 150}, RECT{77, 61, 200, 150}}) {
      OwnedRegion rest(CreateRectRgnIndirect(&clip));
      picture.paint(parts.dc(), c.mode, client, clip, rest.get());
    }
    expectPixels(parts, parts.rect(), [&](int x, int y) { return whole.at(x, y); });
  }
}

// A window whose controls cover most of the picture paints through a clip region; the parts
// of the shrunk copy it shows are made then, the rest when a later paint shows them.
TEST(BackgroundPicture, PaintsThroughAClipRegionMatchAWholePaint) {
  BackgroundPicture picture;
  load(picture, bmpOf(300, 200, gradient));
  Canvas whole(200, 150);
  paintAll(picture, kPictureStretched, whole);

  BackgroundPicture later;
  load(later, bmpOf(300, 200, gradient));
  Canvas parts(200, 150);
  const RECT client = parts.rect();
  OwnedRegion corners = regionOf({{0, 0, 20, 12}, {180, 140, 200, 150}});
  SelectClipRgn(parts.dc(), corners.get());
  OwnedRegion rest(CreateRectRgnIndirect(&client));
  later.paint(parts.dc(), kPictureStretched, client, client, rest.get());
  SelectClipRgn(parts.dc(), nullptr);
  expectPixels(parts, client, [&](int x, int y) {
    const bool shown = (x < 20 && y < 12) || (x >= 180 && y >= 140);
    return shown ? whole.at(x, y) : kMarker;
  });
  later.paint(parts.dc(), kPictureStretched, client, client, rest.get());
  expectPixels(parts, client, [&](int x, int y) { return whole.at(x, y); });
}

TEST(BackgroundPicture, DecodesTheMainWindowJpeg) {
  const Bytes jpeg = fileBytes(std::string(QUENLO_ASSETS) + "/background.jpg");
  ASSERT_GT(jpeg.size(), 1000u);
  BackgroundPicture picture;
  ASSERT_TRUE(picture.load(jpeg.data(), jpeg.size(), 0));
  EXPECT_EQ(2048, picture.size().cx);
  EXPECT_EQ(1536, picture.size().cy);
  // The corner behind the white caption "路径" is dark.
  Canvas canvas(712, 371);
  paintAll(picture, kPictureStretched, canvas);
  const COLORREF corner = canvas.at(20, 10);
  EXPECT_LT(GetRValue(corner) + GetGValue(corner) + GetBValue(corner), 240);

  const Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
  EXPECT_FALSE(picture.load(cut.data(), cut.size(), 0));
  EXPECT_TRUE(picture.empty());

  // Loaded for a shrinking first paint, the data is checked at that paint: nothing is drawn,
  // and everything is left to fill.
  picture.load(cut.data(), cut.size(), 0, kPictureStretched, {712, 371});
  Canvas damaged(712, 371);
  OwnedRegion rest = paintAll(picture, kPictureStretched, damaged);
  expectPixels(damaged, {}, solid(kMarker));
  expectRegion(regionOf({damaged.rect()}), rest);
  EXPECT_TRUE(picture.empty());
}

// Decoded first only as finely as the main window's client needs, the picture looks the same,
// and is decoded in full when drawn at its own size.
TEST(BackgroundPicture, AJpegFirstDrawnSmallLooksTheSameAndDecodesInFullWhenLarger) {
  const Bytes jpeg = fileBytes(std::string(QUENLO_ASSETS) + "/background.jpg");
  BackgroundPicture full;
  ASSERT_TRUE(full.load(jpeg.data(), jpeg.size(), 0));
  BackgroundPicture small;
  ASSERT_TRUE(small.load(jpeg.data(), jpeg.size(), 0, kPictureStretched, {712, 371}));
  EXPECT_EQ(2048, small.size().cx);
  EXPECT_EQ(1536, small.size().cy);

  Canvas a(712, 371), b(712, 371);
  paintAll(full, kPictureStretched, a);
  paintAll(small, kPictureStretched, b);
  long difference = 0;
  for (int y = 0; y < 371; ++y)
    for (int x = 0; x < 712; ++x)
      difference += std::abs(GetGValue(a.at(x, y)) - GetGValue(b.at(x, y)));
  EXPECT_LT(difference / (712 * 371), 2) << "mean difference of the green channel";

  Canvas natural(300, 200), reference(300, 200);
  paintAll(full, kPictureTopLeft, reference);
  paintAll(small, kPictureTopLeft, natural);
  expectPixels(natural, natural.rect(), [&](int x, int y) { return reference.at(x, y); });
}

std::set<DWORD> threadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  std::set<DWORD> ids;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  CloseHandle(snapshot);
  return ids;
}

// The first decode of a picture shrunk by a pixel runs on a thread for the whole picture: a
// clear while it runs waits for it, and no thread is left behind.
TEST(BackgroundPicture, ClearingWaitsForTheDecodeThread) {
  const Bytes jpeg = fileBytes(std::string(QUENLO_ASSETS) + "/background.jpg");
  const std::set<DWORD> before = threadsOfThisProcess();
  BackgroundPicture picture;
  ASSERT_TRUE(picture.load(jpeg.data(), jpeg.size(), 0, kPictureStretched, {2047, 1535}));
  picture.clear();
  const std::set<DWORD> after = threadsOfThisProcess();
  EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end()))
      << after.size() - before.size() << " more";
}

}  // namespace

#include "ui/graphics/picture.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "runtime/byte_buffer.h"
#include "tests/support/form_window_fixture.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

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

// Damaged pictures through a real window's background: each one is written into BackPicture
// and painted at once. Nothing may crash or hang, and a picture that does not decode leaves
// the BackColor fill.
namespace {

constexpr UnitId kPaintWindow = 0x52010001;
constexpr COLORREF kFill = 0x00336699;  // the form's BackColor

enum class Expect { kRefused, kEither };

struct Damaged {
  std::string what;
  Bytes data;
  Expect expect;
};

void put32be(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void put16be(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v >> 8);
  b[at + 1] = static_cast<uint8_t>(v);
}

uint32_t crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

void appendChunk(Bytes& png, const char* type, const Bytes& body) {
  const size_t start = png.size();
  png.resize(start + 12 + body.size());
  put32be(png, start, static_cast<uint32_t>(body.size()));
  std::copy(type, type + 4, png.begin() + start + 4);
  std::copy(body.begin(), body.end(), png.begin() + start + 8);
  put32be(png, start + 8 + body.size(), crc32(&png[start + 4], 4 + body.size()));
}

// The CRC of the chunk whose length field is at `at`, made right again after an edit, so that
// the decoder gets as far as the edited field.
void fixCrc(Bytes& png, size_t at) {
  const uint32_t length = png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
  put32be(png, at + 8 + length, crc32(&png[at + 4], 4 + length));
}

constexpr int kWidth = 16, kHeight = 12;

// An RGB picture, its image data in stored (uncompressed) deflate blocks.
Bytes smallPng() {
  Bytes raw;
  for (int y = 0; y < kHeight; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < kWidth; ++x)
      raw.insert(raw.end(), {static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 20), 200});
  }
  Bytes z = {0x78,
             0x01,
             0x01,
             static_cast<uint8_t>(raw.size()),
             static_cast<uint8_t>(raw.size() >> 8),
             static_cast<uint8_t>(~raw.size()),
             static_cast<uint8_t>(~raw.size() >> 8)};
  z.insert(z.end(), raw.begin(), raw.end());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  z.resize(z.size() + 4);
  put32be(z, z.size() - 4, b << 16 | a);

  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes header(13, 0);
  put32be(header, 0, kWidth);
  put32be(header, 4, kHeight);
  header[8] = 8;  // bits per sample
  header[9] = 2;  // RGB
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", z);
  appendChunk(png, "IEND", {});
  return png;
}

Bytes smallBmp() {
  return bmpOf(kWidth, kHeight, [](int x, int y) { return RGB(x * 7, y * 5, x + y); });
}

Bytes backgroundJpeg() {
  std::ifstream in(std::string(QUENLO_ASSETS) + "/background.jpg", std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Where the first marker `code` (FF code) of a JPEG starts, or 0.
size_t jpegMarker(const Bytes& jpeg, uint8_t code) {
  for (size_t at = 2; at + 4 <= jpeg.size();) {
    if (jpeg[at] != 0xFF) return 0;
    if (jpeg[at + 1] == code) return at;
    if (jpeg[at + 1] == 0xDA) return 0;  // the image data: no more headers
    at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
  }
  return 0;
}

// Deterministic positions spread over [from, to).
std::vector<size_t> spread(size_t from, size_t to, int count, uint32_t seed) {
  std::vector<size_t> at;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    at.push_back(from + (seed >> 8) % (to - from));
  }
  return at;
}

// Cut short at lengths from a few bytes into the headers to one byte short of the end.
void addTruncations(std::vector<Damaged>& out, const std::string& name, const Bytes& whole,
                    size_t refusedBelow) {
  std::vector<size_t> lengths = {0, 1, 2, 4, 7, 8, 12, 16, 24, 33, 54, 100};
  for (size_t n = 160; n < whole.size(); n = n * 2 + 17) lengths.push_back(n);
  for (size_t back : {64, 13, 12, 4, 2, 1}) lengths.push_back(whole.size() - back);
  for (size_t n : lengths) {
    if (n >= whole.size()) continue;
    out.push_back({name + " cut to " + std::to_string(n), Bytes(whole.begin(), whole.begin() + n),
                   n < refusedBelow ? Expect::kRefused : Expect::kEither});
  }
}

void addFlips(std::vector<Damaged>& out, const std::string& name, const Bytes& whole, size_t from,
              size_t to, int count, uint32_t seed) {
  for (size_t at : spread(from, to, count, seed)) {
    Bytes d = whole;
    d[at] ^= static_cast<uint8_t>(0x5A + at % 0x40);
    out.push_back({name + " byte " + std::to_string(at) + " flipped", d, Expect::kEither});
  }
}

std::vector<Damaged> jpegCorpus() {
  const Bytes jpeg = backgroundJpeg();
  std::vector<Damaged> out;
  // Every cut loses the end of the image data, which the decoder reports.
  addTruncations(out, "jpeg", jpeg, jpeg.size());
  const size_t sof = jpegMarker(jpeg, 0xC0), scan = jpegMarker(jpeg, 0xDA);
  // Most flips in the image data still decode, to wrong colours; in the headers few do.
  addFlips(out, "jpeg", jpeg, 0, scan + 14, 20, 5);
  addFlips(out, "jpeg", jpeg, scan + 14, jpeg.size(), 16, 7);
  EXPECT_TRUE(sof && scan) << "a baseline JPEG";
  if (!sof || !scan) return out;
  struct Size {
    uint16_t height, width;
    Expect expect;
  } sizes[] = {{0, 2048, Expect::kRefused},      {1536, 0, Expect::kRefused},
               {65535, 65535, Expect::kRefused}, {1, 1, Expect::kEither},
               {4096, 8192, Expect::kRefused},   {1537, 2048, Expect::kRefused}};
  for (const Size& s : sizes) {
    Bytes d = jpeg;
    put16be(d, sof + 5, s.height);
    put16be(d, sof + 7, s.width);
    out.push_back(
        {"jpeg sized " + std::to_string(s.width) + "x" + std::to_string(s.height), d, s.expect});
  }
  Bytes noStart = jpeg;
  noStart[1] = 0xD9;
  out.push_back({"jpeg without its start marker", noStart, Expect::kRefused});
  Bytes components = jpeg;
  components[sof + 9] = 4;  // four components, with the three described after
  out.push_back({"jpeg claiming four components", components, Expect::kRefused});
  Bytes noTables = jpeg;
  noTables.erase(noTables.begin() + 20, noTables.begin() + 158);  // both quantisation tables
  out.push_back({"jpeg without quantisation tables", noTables, Expect::kRefused});
  return out;
}

std::vector<Damaged> pngCorpus() {
  const Bytes png = smallPng();
  std::vector<Damaged> out;
  // IEND is the last 12 bytes; anything shorter loses image data.
  addTruncations(out, "png", png, png.size() - 12);
  addFlips(out, "png", png, 0, png.size(), 24, 11);
  constexpr size_t kHeader = 8;  // the IHDR chunk's length field
  struct Edit {
    const char* what;
    size_t at;  // in the IHDR body
    uint32_t value;
    int width;  // bytes
  } edits[] = {
      {"width 0", 0, 0, 4},
      {"width 2^31-1", 0, 0x7FFFFFFF, 4},
      {"height 2^31-1", 4, 0x7FFFFFFF, 4},
      {"one million square", 0, 1000000, 4},
      {"bit depth 3", 8, 3, 1},
      {"colour type 5", 9, 5, 1},
      {"interlace method 7", 12, 7, 1},
  };
  for (const Edit& e : edits) {
    Bytes d = png;
    if (e.width == 4)
      put32be(d, kHeader + 8 + e.at, e.value);
    else
      d[kHeader + 8 + e.at] = static_cast<uint8_t>(e.value);
    if (std::string(e.what) == "one million square") put32be(d, kHeader + 12, 1000000);
    fixCrc(d, kHeader);
    out.push_back({std::string("png ") + e.what, d, Expect::kRefused});
  }
  Bytes badCrc = png;
  badCrc[kHeader + 21] ^= 0xFF;
  out.push_back({"png IHDR CRC wrong", badCrc, Expect::kRefused});
  Bytes hugeChunk = png;
  put32be(hugeChunk, kHeader + 25, 0xFFFFFFF0u);  // the IDAT length
  out.push_back({"png IDAT of 4 GiB", hugeChunk, Expect::kRefused});
  return out;
}

std::vector<Damaged> bmpCorpus() {
  const Bytes bmp = smallBmp();
  std::vector<Damaged> out;
  addTruncations(out, "bmp", bmp, bmp.size());
  addFlips(out, "bmp", bmp, 0, 54, 12, 3);
  addFlips(out, "bmp", bmp, 0, bmp.size(), 12, 13);
  struct Edit {
    const char* what;
    size_t at;
    uint32_t value;
    int width;
  } edits[] = {
      {"width 0", 18, 0, 4},
      {"width 2^31-1", 18, 0x7FFFFFFF, 4},
      {"height 2^31-1", 22, 0x7FFFFFFF, 4},
      {"width -16", 18, static_cast<uint32_t>(-16), 4},
      {"height -2^31", 22, 0x80000000u, 4},
      {"8192 x 4096", 18, 8192, 4},
      {"0 bits per pixel", 28, 0, 2},
      {"7 bits per pixel", 28, 7, 2},
      {"64 bits per pixel", 28, 64, 2},
      {"pixels past the end", 10, 0x7FFFFFF0u, 4},
      {"header size 2^31", 14, 0x80000000u, 4},
      {"compression 9", 30, 9, 4},
      {"256 colours without a table", 28, 8, 2},
  };
  for (const Edit& e : edits) {
    Bytes d = bmp;
    if (e.width == 4)
      put32le(d, e.at, e.value);
    else
      d[e.at] = static_cast<uint8_t>(e.value), d[e.at + 1] = static_cast<uint8_t>(e.value >> 8);
    if (std::string(e.what) == "8192 x 4096") put32le(d, 22, 4096);
    if (std::string(e.what) == "256 colours without a table") put32le(d, 46, 256);
    out.push_back({std::string("bmp ") + e.what, d, Expect::kRefused});
  }
  return out;
}

class PictureCorpus : public FormWindowTest {
 protected:
  // Shows `data` as the window's picture; false when it took longer than any decoding should.
  bool paint(HWND window, const Bytes& data) {
    const DWORD start = GetTickCount();
    writeProperty(kPaintWindow, 0, kWinBackPicture,
                  PropertyValue(ByteBuffer::copyOf(data.data(), data.size())));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return GetTickCount() - start < 10000;
  }
};

COLORREF pixelAt(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

TEST_F(PictureCorpus, DamagedPicturesPaintTheFillOrThePictureAndNeverCrash) {
  useTestForm("window_paint");
  ASSERT_TRUE(loadWindow(kPaintWindow, false, nullptr));
  HWND window = findLoadedWindow(kPaintWindow)->hwnd();
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  pumpMessages(100);
  ASSERT_EQ(pixelAt(window, 5, 5), kFill);

  std::vector<Damaged> corpus = jpegCorpus();
  for (auto* more : {&pngCorpus, &bmpCorpus})
    for (Damaged& d : more()) corpus.push_back(std::move(d));
  ASSERT_GT(corpus.size(), 150u);

  int decoded = 0;
  for (const Damaged& d : corpus) {
    SCOPED_TRACE(d.what);
    BackgroundPicture alone;
    const bool decodes = alone.load(d.data.data(), d.data.size(), kFill);
    if (d.expect == Expect::kRefused) {
      EXPECT_FALSE(decodes);
    }
    ASSERT_TRUE(paint(window, d.data)) << "painting took 10 s or more";
    decoded += decodes;
    if (decodes) continue;
    for (POINT p : {POINT{5, 5}, POINT{120, 100}, POINT{235, 195}})
      EXPECT_EQ(pixelAt(window, p.x, p.y), kFill) << p.x << "," << p.y;
  }
  std::printf("%zu damaged pictures, %d of them still decoded\n", corpus.size(), decoded);

  // The window still shows a good picture afterwards.
  ASSERT_TRUE(paint(window, smallBmp()));
  EXPECT_NE(pixelAt(window, 5, 5), kFill);
}

}  // namespace

#include "ui/graphics/picture_scale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

// ---- halving ----

TEST(HalvePicture, AveragesBlocksAndOddEdges) {
  // 3 x 3 gray levels; the halved picture is 2 x 2.
  const int levels[3][3] = {{0, 100, 40}, {200, 60, 80}, {9, 11, 255}};
  PicturePixels p;
  p.width = p.height = 3;
  p.bits.assign(p.stride() * 3, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) std::memset(p.row(y) + x * 3, levels[y][x], 3);
  const PicturePixels h = halvePicture(p);
  ASSERT_EQ(2, h.width);
  ASSERT_EQ(2, h.height);
  // The odd last column averages its two rows; the odd last row counts twice.
  const int expected[2][2] = {{(0 + 100 + 200 + 60 + 2) / 4, (40 + 80 + 1) / 2},
                              {(9 + 11 + 9 + 11 + 2) / 4, 255}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(static_cast<uint32_t>(expected[y][x]) * 0x010101, h.colourAt(x, y)) << x << y;
  EXPECT_TRUE(halvePicture(PicturePixels{}).empty());
}

PicturePixels grayPicture(int width, int height, const std::function<int(int, int)>& level) {
  PicturePixels p;
  p.width = width;
  p.height = height;
  p.bits.assign(p.stride() * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) std::memset(p.row(y) + x * 3, level(x, y), 3);
  return p;
}

// A shrunk picture in the 32-bit layout of shrinkPicture, every byte 0xEE to start with.
struct Shrunk {
  Shrunk(int width, int height) : width(width), bits(size_t{4} * width * height, 0xEE) {}
  uint8_t at(int x, int y, int channel = 0) const {
    return bits[(size_t{4} * width) * y + 4 * x + channel];
  }
  int width;
  std::vector<uint8_t> bits;
};

Shrunk shrink(const PicturePixels& p, int width, int height, PictureRect part = {}) {
  if (part.width == 0) part = {0, 0, width, height};
  Shrunk out(width, height);
  shrinkPicture(p, width, height, part, out.bits.data(), size_t{4} * width);
  return out;
}

TEST(ShrinkPicture, EachPixelIsTheMeanOfTheAreaItCovers) {
  struct Case {
    const char* what;
    std::vector<int> source;  // one row
    std::vector<int> shrunk;
  } cases[] = {
      {"halves", {0, 100, 200, 40}, {50, 120}},
      {"three into two: the middle pixel is split", {30, 60, 90}, {40, 80}},
      {"five into two", {10, 20, 30, 40, 50}, {18, 42}},  // (10+20+15)/2.5, (15+40+50)/2.5
      {"same size", {7, 8, 9}, {7, 8, 9}},
      {"all into one", {0, 255, 0, 255}, {128}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int n = static_cast<int>(c.source.size()), m = static_cast<int>(c.shrunk.size());
    // The same along both axes: the rows are the transposed columns.
    const Shrunk across = shrink(grayPicture(n, 1, [&](int x, int) { return c.source[x]; }), m, 1);
    const Shrunk down = shrink(grayPicture(1, n, [&](int, int y) { return c.source[y]; }), 1, m);
    for (int i = 0; i < m; ++i) {
      EXPECT_EQ(c.shrunk[i], across.at(i, 0)) << i;
      EXPECT_EQ(c.shrunk[i], down.at(0, i)) << i;
      EXPECT_EQ(0, across.at(i, 0, 3)) << "the fourth byte is 0";
    }
  }
}

TEST(ShrinkPicture, AFlatColourStaysExactAtEverySize) {
  PicturePixels p = grayPicture(1999, 61, [](int, int) { return 0; });
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) std::memcpy(p.row(y) + 3 * x, "\x32\xC8\xFF", 3);
  for (auto [w, h] : {std::pair{1998, 60}, {700, 31}, {13, 7}, {1, 1}, {1999, 2}}) {
    const Shrunk s = shrink(p, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_TRUE(s.at(x, y, 0) == 0x32 && s.at(x, y, 1) == 0xC8 && s.at(x, y, 2) == 0xFF)
            << w << "x" << h << " at " << x << "," << y;
  }
}

TEST(ShrinkPicture, PartsMadeApartFitTheWhole) {
  const PicturePixels p =
      grayPicture(301, 203, [](int x, int y) { return (x * 37 + y * 101) % 256; });
  const int w = 97, h = 61;
  const Shrunk whole = shrink(p, w, h);
  Shrunk parts(w, h);
  for (int y = 0; y < h; y += 16)
    for (int x = 0; x < w; x += 32)
      shrinkPicture(p, w, h, {x, y, 32, 16}, parts.bits.data(), size_t{4} * w);
  EXPECT_EQ(whole.bits, parts.bits);

  const Shrunk corner = shrink(p, w, h, {-5, -5, 20, 12});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool inside = x < 15 && y < 7;
      ASSERT_EQ(inside ? whole.at(x, y) : 0xEE, corner.at(x, y)) << x << "," << y;
    }
}

TEST(ShrinkPicture, SourceRowsAreThoseTheTargetRowsRead) {
  const PicturePixels p = grayPicture(13, 301, [](int, int y) { return y % 256; });
  const int height = 97;
  const Shrunk whole = shrink(p, 5, height);
  for (auto [from, to] : {std::pair{0, 1}, {0, 32}, {32, 64}, {90, 97}}) {
    const PictureSpan read = shrinkSourceRows(301, height, from, to);
    // Rows outside the span are made to differ: the target rows must not change.
    const PicturePixels other = grayPicture(13, 301, [&](int, int y) {
      return y >= read.first && y < read.end ? y % 256 : 255 - y % 256;
    });
    Shrunk part(5, height);
    shrinkPicture(other, 5, height, {0, from, 5, to - from}, part.bits.data(), 20);
    for (int y = from; y < to; ++y) ASSERT_EQ(whole.at(2, y), part.at(2, y)) << from << " " << y;
  }
}

TEST(ShrinkPicture, NothingIsWrittenForATargetLargerThanThePicture) {
  const PicturePixels p = grayPicture(10, 10, [](int, int) { return 1; });
  const std::vector<uint8_t> untouched(size_t{4} * 11 * 11, 0xEE);
  for (auto [w, h] : {std::pair{11, 5}, {5, 11}, {0, 5}}) {
    std::vector<uint8_t> out = untouched;
    shrinkPicture(p, w, h, {0, 0, 11, 11}, out.data(), 44);
    EXPECT_EQ(untouched, out) << w << "x" << h;
  }
  std::vector<uint8_t> out = untouched;
  shrinkPicture(PicturePixels{}, 4, 4, {0, 0, 4, 4}, out.data(), 44);
  EXPECT_EQ(untouched, out) << "no picture";
}

// ---- geometry ----

TEST(PicturePlacement, Modes) {
  struct Case {
    int mode, clientW, clientH, w, h;
    PictureRect expected;
  } cases[] = {
      {0, 712, 371, 2048, 1536, {0, 0, 2048, 1536}},
      {1, 712, 371, 100, 50, {0, 0, 100, 50}},
      {3, 712, 371, 2048, 1536, {0, 0, 712, 371}},
      {3, 712, 371, 10, 10, {0, 0, 712, 371}},
      {2, 712, 371, 2048, 1536, {109, 0, 494, 371}},  // s = 371 / 1536
      {2, 712, 371, 100, 51, {306, 160, 100, 51}},    // fits: natural size, centred
      {2, 712, 371, 712, 371, {0, 0, 712, 371}},
      {2, 400, 300, 800, 100, {0, 125, 400, 50}},  // only wider: s = 400 / 800
      {2, 400, 300, 100, 600, {175, 0, 50, 300}},  // only taller: s = 300 / 600
      {2, 400, 300, 401, 10, {0, 145, 400, 9}},    // W' = W, H' = h: trunc(10 * 400 / 401)
      {2, 0, 0, 2048, 1536, {0, 0, 0, 0}},         // minimised
      {7, 712, 371, 20, 30, {0, 0, 20, 30}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, picturePlacement(c.mode, c.clientW, c.clientH, c.w, c.h))
        << "mode " << c.mode << " client " << c.clientW << "x" << c.clientH << " picture " << c.w
        << "x" << c.h;
  }
}

TEST(PicturePlacement, TilesMeetingThePaintArea) {
  struct Case {
    int left, top, right, bottom;
    TileSpan expected;
  } cases[] = {
      {0, 0, 250, 120, {0, 3, 0, 3}},     // the whole 250 x 120 client, 100 x 50 tiles
      {100, 50, 200, 100, {1, 2, 1, 2}},  // exactly one tile
      {99, 49, 101, 51, {0, 2, 0, 2}},    // a corner of four tiles
      {-50, -50, 1000, 1000, {0, 3, 0, 3}}, {10, 10, 10, 20, {}},  // empty
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, tilesMeeting(c.left, c.top, c.right, c.bottom, 250, 120, 100, 50))
        << c.left << "," << c.top << "," << c.right << "," << c.bottom;
  }
  EXPECT_EQ(TileSpan{}, tilesMeeting(0, 0, 10, 10, 10, 10, 0, 0));
}

}  // namespace

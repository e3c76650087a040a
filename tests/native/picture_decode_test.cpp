#include "ui/graphics/picture_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

using Bytes = std::vector<uint8_t>;
using ColourAt = std::function<uint32_t(int x, int y)>;  // 0x00BBGGRR

uint8_t red(uint32_t c) { return c & 0xFF; }
uint8_t green(uint32_t c) { return c >> 8 & 0xFF; }
uint8_t blue(uint32_t c) { return c >> 16 & 0xFF; }

// ---- encoders for the inputs ----

struct JpegOptions {
  J_COLOR_SPACE space = JCS_RGB;
  int quality = 100;
  bool fullChroma = true;
  bool progressive = false;
};

Bytes encodeJpeg(int width, int height, const ColourAt& colour, JpegOptions o = {}) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = width;
  c.image_height = height;
  const int components = o.space == JCS_GRAYSCALE ? 1 : o.space == JCS_CMYK ? 4 : 3;
  c.input_components = components;
  c.in_color_space = o.space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, o.quality, TRUE);
  if (o.fullChroma && components == 3) {
    for (int i = 0; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  }
  if (o.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(width * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t v = colour(x, y);
      uint8_t* px = &row[x * components];
      if (components == 1) {
        px[0] = red(v);
      } else {
        px[0] = red(v);
        px[1] = green(v);
        px[2] = blue(v);
        if (components == 4) px[3] = 255;
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&c);
  free(buffer);
  return out;
}

struct PngOptions {
  int colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;
};

// Each row is given as the raw PNG samples of that colour type and depth.
Bytes encodePng(int width, int height, const std::vector<Bytes>& rows, const PngOptions& o) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, o.bitDepth, o.colourType,
               o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!o.palette.empty())
    png_set_PLTE(png, info, o.palette.data(), static_cast<int>(o.palette.size()));
  if (!o.paletteAlpha.empty())
    png_set_tRNS(png, info, o.paletteAlpha.data(), static_cast<int>(o.paletteAlpha.size()),
                 nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8 & 0xFF;
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

struct BmpOptions {
  int bitCount = 24;
  int height = 0;  // signed as stored; 0 means the row count, bottom-up
  uint32_t compression = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries as RGBQUAD stores them
  std::vector<uint32_t> masks;    // appended after the 40-byte header
  uint32_t paletteCount = 0;      // biClrUsed
};

// rows are the stored rows in file order, unpadded; padding is added here.
Bytes encodeBmp(int width, const std::vector<Bytes>& rows, const BmpOptions& o) {
  const size_t stride = (static_cast<size_t>(width) * o.bitCount + 31) / 32 * 4;
  const size_t pixels = 14 + 40 + o.masks.size() * 4 + o.palette.size() * 4;
  Bytes b(pixels + stride * rows.size(), 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<uint32_t>(b.size()));
  put32(b, 10, static_cast<uint32_t>(pixels));
  put32(b, 14, 40);
  put32(b, 18, static_cast<uint32_t>(width));
  put32(b, 22, static_cast<uint32_t>(o.height ? o.height : static_cast<int>(rows.size())));
  put16(b, 26, 1);
  put16(b, 28, o.bitCount);
  put32(b, 30, o.compression);
  put32(b, 46, o.paletteCount);
  size_t at = 54;
  for (uint32_t m : o.masks) put32(b, at, m), at += 4;
  for (uint32_t p : o.palette) put32(b, at, p), at += 4;
  for (size_t i = 0; i < rows.size(); ++i)
    std::memcpy(&b[pixels + stride * i], rows[i].data(), rows[i].size());
  return b;
}

PicturePixels decode(const Bytes& b, uint32_t background = 0) {
  return decodePicture(b.data(), b.size(), background);
}

void expectNear(uint32_t expected, uint32_t actual, int tolerance, const std::string& where) {
  EXPECT_NEAR(red(expected), red(actual), tolerance) << where;
  EXPECT_NEAR(green(expected), green(actual), tolerance) << where;
  EXPECT_NEAR(blue(expected), blue(actual), tolerance) << where;
}

// Quadrants: red, green / blue, white.
uint32_t quadrants(int x, int y, int w, int h) {
  static const uint32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  return colours[(y >= h / 2) * 2 + (x >= w / 2)];
}

Bytes rgbJpeg() {
  return encodeJpeg(37, 24, [](int x, int y) { return quadrants(x, y, 37, 24); });
}

// ---- format recognition ----

TEST(PictureFormat, RecognisesTheFirstBytes) {
  struct Case {
    std::string bytes;
    PictureFormat format;
  } cases[] = {
      {std::string("\xFF\xD8\xFF\xE0\0\0\0\0", 8), PictureFormat::kJpeg},
      {std::string("BM\0\0\0\0\0\0", 8), PictureFormat::kBmp},
      {std::string("\x89PNG\r\n\x1A\n", 8), PictureFormat::kPng},
      {std::string("\0\0\1\0\1\0\0\0", 8), PictureFormat::kIcon},
      {std::string("\0\0\2\0\3\0\0\0", 8), PictureFormat::kIcon},
      {std::string("\0\0\1\0\0\0\0\0", 8), PictureFormat::kNone},  // no images
      {std::string("\0\0\3\0\1\0\0\0", 8), PictureFormat::kNone},  // type 3
      {std::string("GIF87a\1\0", 8), PictureFormat::kGif},
      {std::string("GIF89a\1\0", 8), PictureFormat::kGif},
      {std::string("GIF90a\1\0", 8), PictureFormat::kNone},
      {std::string("\x0A\x05\x01\x08\0\0\0\0", 8), PictureFormat::kPcx},
      {std::string("\x0A\x03\x01\x01\0\0\0\0", 8), PictureFormat::kPcx},
      {std::string("\x0A\x05\x01\x01\0\0\0\0", 8), PictureFormat::kNone},  // 1 bpp needs v3
      {std::string("\x0A\x06\x01\x08\0\0\0\0", 8), PictureFormat::kNone},
      {std::string("\xFF\xD8\xFF\xE0\0\0\0", 7), PictureFormat::kNone},  // too short
      {"plain text", PictureFormat::kNone},
  };
  for (const auto& c : cases) {
    auto* p = reinterpret_cast<const uint8_t*>(c.bytes.data());
    EXPECT_EQ(c.format, pictureFormat(p, c.bytes.size())) << testing::PrintToString(c.bytes);
  }
  EXPECT_EQ(PictureFormat::kNone, pictureFormat(nullptr, 100));
}

TEST(PictureFormat, UndecodedFormatsGiveNoPicture) {
  const std::string gif("GIF89a\1\0\1\0\0\0\0;", 14);
  EXPECT_TRUE(decodePicture(reinterpret_cast<const uint8_t*>(gif.data()), gif.size(), 0).empty());
}

// ---- JPEG ----

TEST(JpegDecode, RgbGivesBottomUpBgrRowsPaddedToFourBytes) {
  const Bytes jpeg = rgbJpeg();
  const PicturePixels p = decode(jpeg);
  ASSERT_EQ(37, p.width);
  ASSERT_EQ(24, p.height);
  EXPECT_EQ(112u, p.stride());
  EXPECT_EQ(112u * 24, p.bits.size());
  for (auto [x, y] : {std::pair{5, 5}, {30, 5}, {5, 18}, {30, 18}})
    expectNear(quadrants(x, y, 37, 24), p.colourAt(x, y), 6,
               std::to_string(x) + "," + std::to_string(y));
  // The top-left red is in the last row of memory, stored blue, green, red.
  const uint8_t* lastRow = p.bits.data() + p.stride() * 23;
  EXPECT_LT(lastRow[0], 10);
  EXPECT_GT(lastRow[2], 245);
}

TEST(JpegDecode, GrayscaleGivesEqualRedGreenBlue) {
  auto ramp = [](int x, int y) -> uint32_t { return static_cast<uint32_t>(x * 4 + y); };
  const Bytes jpeg = encodeJpeg(60, 16, ramp, {.space = JCS_GRAYSCALE});
  const PicturePixels p = decode(jpeg);
  ASSERT_EQ(60, p.width);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const uint32_t c = p.colourAt(x, y);
      ASSERT_EQ(red(c), green(c));
      ASSERT_EQ(red(c), blue(c));
      ASSERT_NEAR(x * 4 + y, red(c), 3) << x << "," << y;
    }
  }
}

TEST(JpegDecode, SubsampledAndProgressiveDecodeAlike) {
  auto colour = [](int x, int y) { return quadrants(x, y, 64, 32); };
  const PicturePixels plain = decode(encodeJpeg(64, 32, colour, {.fullChroma = false}));
  const PicturePixels progressive =
      decode(encodeJpeg(64, 32, colour, {.fullChroma = false, .progressive = true}));
  ASSERT_FALSE(plain.empty());
  ASSERT_FALSE(progressive.empty());
  for (auto [x, y] : {std::pair{8, 8}, {56, 8}, {8, 24}, {56, 24}}) {
    expectNear(colour(x, y), plain.colourAt(x, y), 8, "plain");
    expectNear(colour(x, y), progressive.colourAt(x, y), 8, "progressive");
  }
}

TEST(JpegDecode, TruncatedDataGivesNoPicture) {
  const Bytes jpeg = rgbJpeg();
  for (size_t keep : {size_t{8}, size_t{20}, jpeg.size() / 2, jpeg.size() - 40, jpeg.size() - 2}) {
    const Bytes cut(jpeg.begin(), jpeg.begin() + keep);
    EXPECT_TRUE(decode(cut).empty()) << "kept " << keep << " of " << jpeg.size();
  }
}

// Offset of the first byte after the marker `code`'s segment header (FF code, length).
size_t markerAt(const Bytes& b, uint8_t code) {
  for (size_t i = 2; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == code) return i;
  return 0;
}

TEST(JpegDecode, DamagedDataGivesNoPicture) {
  const Bytes good = rgbJpeg();
  const size_t sof = markerAt(good, 0xC0);
  const size_t sos = markerAt(good, 0xDA);
  ASSERT_NE(0u, sof);
  ASSERT_NE(0u, sos);
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"zero height", [&](Bytes& b) { b[sof + 5] = b[sof + 6] = 0; }},
      {"five components", [&](Bytes& b) { b[sof + 9] = 5; }},
      {"Huffman table number 7", [&](Bytes& b) { b[markerAt(b, 0xC4) + 4] = 0x17; }},
      {"a marker in the scan", [&](Bytes& b) { b[sos + 30] = 0xFF, b[sos + 31] = 0xD9; }},
      {"garbage scan",
       [&](Bytes& b) {
         for (size_t i = sos + 20; i + 2 < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 151);
       }},
  };
  for (const auto& c : cases) {
    Bytes b = good;
    c.damage(b);
    EXPECT_TRUE(decode(b).empty()) << c.what;
  }
}

TEST(JpegDecode, CmykGivesNoPicture) {
  const Bytes jpeg = encodeJpeg(16, 16, [](int, int) { return 0x808080u; }, {.space = JCS_CMYK});
  ASSERT_EQ(PictureFormat::kJpeg, pictureFormat(jpeg.data(), jpeg.size()));
  EXPECT_TRUE(decode(jpeg).empty());
}

TEST(JpegDecode, OversizedDimensionsAreRefused) {
  Bytes b = rgbJpeg();
  const size_t sof = markerAt(b, 0xC0);
  b[sof + 5] = b[sof + 6] = b[sof + 7] = b[sof + 8] = 0xFF;  // 65535 x 65535
  EXPECT_TRUE(decode(b).empty());
}

TEST(JpegDecode, ReducedScalesKeepTheContentAtRoundedUpSizes) {
  const Bytes jpeg = encodeJpeg(75, 50, [](int x, int y) { return quadrants(x, y, 75, 50); });
  EXPECT_EQ((PictureSize{75, 50}), jpegSize(jpeg.data(), jpeg.size()));
  struct Case {
    int denominator;
    int width, height;
  } cases[] = {{1, 75, 50}, {2, 38, 25}, {4, 19, 13}, {8, 10, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.denominator);
    const PicturePixels p = decodeJpeg(jpeg.data(), jpeg.size(), c.denominator);
    ASSERT_EQ(c.width, p.width);
    ASSERT_EQ(c.height, p.height);
    for (auto [fx, fy] : {std::pair{0.2, 0.2}, {0.8, 0.2}, {0.2, 0.8}, {0.8, 0.8}}) {
      const int x = static_cast<int>(fx * p.width), y = static_cast<int>(fy * p.height);
      expectNear(quadrants(static_cast<int>(fx * 75), static_cast<int>(fy * 50), 75, 50),
                 p.colourAt(x, y), 12, std::to_string(x) + "," + std::to_string(y));
    }
  }
  EXPECT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), 3).empty()) << "not a scale of the decoder";
  const Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() - 40);
  EXPECT_TRUE(decodeJpeg(cut.data(), cut.size(), 8).empty()) << "the whole data is still read";
  EXPECT_EQ(PictureSize{}, jpegSize(cut.data(), 8));
}

TEST(JpegDecode, WantedRowsComeOutAsInAWholeDecode) {
  auto colour = [](int x, int y) {
    return static_cast<uint32_t>(x * 5 + (y * 3 << 8) + (x * y << 16));
  };
  for (bool subsampled : {false, true}) {
    const Bytes jpeg = encodeJpeg(61, 53, colour, {.quality = 90, .fullChroma = !subsampled});
    for (int denominator : {1, 2}) {
      SCOPED_TRACE(std::to_string(denominator) + (subsampled ? " subsampled" : ""));
      const PicturePixels whole = decodeJpeg(jpeg.data(), jpeg.size(), denominator);
      std::vector<bool> rows(whole.height);
      for (int y = 0; y < whole.height; ++y) rows[y] = y < 5 || (y >= 17 && y < 19);
      const PicturePixels some = decodeJpeg(jpeg.data(), jpeg.size(), denominator, &rows);
      ASSERT_EQ(whole.width, some.width);
      ASSERT_EQ(whole.height, some.height);
      for (int y = 0; y < whole.height; ++y) {
        if (rows[y]) {
          EXPECT_EQ(0, std::memcmp(whole.row(y), some.row(y), whole.width * 3)) << "row " << y;
        }
      }
      const Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() - 40);
      EXPECT_TRUE(decodeJpeg(cut.data(), cut.size(), denominator, &rows).empty())
          << "damage past the wanted rows is still found";
    }
  }
}

// ---- PNG ----

TEST(PngDecode, AlphaIsBlendedOverTheBackground) {
  // Pixels (r, g, b, a): opaque copied, transparent gives the background, others blend with
  // rounding: (c * a + bg * (255 - a) + 127) / 255.
  const Bytes row = {10, 200, 30, 255, 10, 200, 30, 0, 255, 0, 100, 128, 0, 255, 255, 1};
  const Bytes png = encodePng(4, 1, {row}, {});
  const uint32_t background = 0x204080;  // red 0x80, green 0x40, blue 0x20
  const PicturePixels p = decode(png, background);
  ASSERT_EQ(4, p.width);
  ASSERT_EQ(1, p.height);
  const uint32_t expected[] = {
      0x1EC80A,
      background,
      (32 * 127 + 100 * 128 + 127) / 255 << 16 | (64 * 127 + 127) / 255 << 8 |
          (128 * 127 + 255 * 128 + 127) / 255,
      (32 * 254 + 255 + 127) / 255 << 16 | (64 * 254 + 255 + 127) / 255 << 8 |
          (128 * 254 + 127) / 255,
  };
  for (int x = 0; x < 4; ++x) EXPECT_EQ(expected[x], p.colourAt(x, 0)) << x;
}

TEST(PngDecode, ColourTypesExpandToTheSameColours) {
  // 2 x 2: red, half-transparent green / blue, transparent.
  const uint32_t bg = 0x000000;
  const uint32_t expected[4] = {0x0000FF, 0x008000, 0xFF0000, bg};
  PngOptions palette{.colourType = PNG_COLOR_TYPE_PALETTE};
  palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  palette.paletteAlpha = {255, 128, 255, 0};
  const Bytes rgba16a = {0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0x80, 0};
  const Bytes rgba16b = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
  struct Case {
    const char* what;
    Bytes png;
  } cases[] = {
      {"rgba8",
       encodePng(2, 2, {{255, 0, 0, 255, 0, 255, 0, 128}, {0, 0, 255, 255, 5, 5, 5, 0}}, {})},
      {"rgba8 interlaced",
       encodePng(2, 2, {{255, 0, 0, 255, 0, 255, 0, 128}, {0, 0, 255, 255, 5, 5, 5, 0}},
                 {.interlaced = true})},
      {"rgba16", encodePng(2, 2, {rgba16a, rgba16b}, {.bitDepth = 16})},
      {"palette with tRNS", encodePng(2, 2, {{0, 1}, {2, 3}}, palette)},
  };
  for (const auto& c : cases) {
    const PicturePixels p = decode(c.png, bg);
    ASSERT_EQ(2, p.width) << c.what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(expected[i], p.colourAt(i % 2, i / 2)) << c.what << i;
  }
}

TEST(PngDecode, GrayscaleBecomesEqualChannels) {
  const Bytes png = encodePng(3, 1, {{0, 128, 255}}, {.colourType = PNG_COLOR_TYPE_GRAY});
  const PicturePixels p = decode(png, 0x123456);
  ASSERT_EQ(3, p.width);
  EXPECT_EQ(0x000000u, p.colourAt(0, 0));
  EXPECT_EQ(0x808080u, p.colourAt(1, 0));
  EXPECT_EQ(0xFFFFFFu, p.colourAt(2, 0));
}

TEST(PngDecode, DamagedOrTruncatedGivesNoPicture) {
  std::vector<Bytes> rows(16, Bytes(64, 0x7F));
  const Bytes good = encodePng(16, 16, rows, {});
  ASSERT_FALSE(decode(good).empty());
  for (size_t keep : {size_t{8}, size_t{40}, good.size() / 2, good.size() - 12}) {
    EXPECT_TRUE(decode(Bytes(good.begin(), good.begin() + keep)).empty()) << keep;
  }
  Bytes badCrc = good;
  badCrc[29] ^= 0x55;  // inside IHDR's CRC
  EXPECT_TRUE(decode(badCrc).empty());
  Bytes badData = good;
  for (size_t i = 41; i < badData.size() - 16; ++i) badData[i] ^= 0xA5;
  EXPECT_TRUE(decode(badData).empty());
}

// ---- BMP ----

TEST(BmpDecode, TwentyFourBitsBottomUpAndTopDown) {
  // Stored rows in file order: bottom-up files store the bottom row first.
  const Bytes bottom = {0, 0, 255, 0, 255, 0, 255, 0, 0};  // red, green, blue as BGR
  const Bytes top = {255, 255, 255, 0, 0, 0, 128, 128, 128};
  const PicturePixels up = decode(encodeBmp(3, {bottom, top}, {}));
  const PicturePixels down = decode(encodeBmp(3, {top, bottom}, {.height = -2}));
  for (const PicturePixels* p : {&up, &down}) {
    ASSERT_EQ(3, p->width);
    ASSERT_EQ(2, p->height);
    EXPECT_EQ(0xFFFFFFu, p->colourAt(0, 0));
    EXPECT_EQ(0x000000u, p->colourAt(1, 0));
    EXPECT_EQ(0x808080u, p->colourAt(2, 0));
    EXPECT_EQ(0x0000FFu, p->colourAt(0, 1));
    EXPECT_EQ(0x00FF00u, p->colourAt(1, 1));
    EXPECT_EQ(0xFF0000u, p->colourAt(2, 1));
  }
}

TEST(BmpDecode, PaletteDepths) {
  const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  struct Case {
    int bits;
    Bytes row;  // indices 1, 2, 3, 0, 1
  } cases[] = {
      {8, {1, 2, 3, 0, 1}},
      {4, {0x12, 0x30, 0x10}},
  };
  const uint32_t expected[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x000000, 0x0000FF};
  for (const auto& c : cases) {
    const PicturePixels p =
        decode(encodeBmp(5, {c.row}, {.bitCount = c.bits, .palette = palette, .paletteCount = 4}));
    ASSERT_EQ(5, p.width) << c.bits;
    for (int x = 0; x < 5; ++x) EXPECT_EQ(expected[x], p.colourAt(x, 0)) << c.bits << ":" << x;
  }
  const PicturePixels mono =
      decode(encodeBmp(10, {{0xA5, 0x80}}, {.bitCount = 1, .palette = {0x000000, 0xFFFFFF}}));
  ASSERT_EQ(10, mono.width);
  const char pattern[] = "1010010110";
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(pattern[x] == '1' ? 0xFFFFFFu : 0u, mono.colourAt(x, 0)) << x;
}

TEST(BmpDecode, IndexOutsideThePaletteIsBlack) {
  const PicturePixels p = decode(
      encodeBmp(2, {{1, 200}}, {.bitCount = 8, .palette = {0, 0xFFFFFF}, .paletteCount = 2}));
  ASSERT_EQ(2, p.width);
  EXPECT_EQ(0xFFFFFFu, p.colourAt(0, 0));
  EXPECT_EQ(0x000000u, p.colourAt(1, 0));
}

TEST(BmpDecode, SixteenAndThirtyTwoBits) {
  // 5-5-5: pure red 0x7C00, 5-6-5 bitfields: pure green 0x07E0, 32-bit BGRX.
  const PicturePixels rgb555 = decode(encodeBmp(1, {{0x00, 0x7C}}, {.bitCount = 16}));
  const PicturePixels rgb565 = decode(encodeBmp(
      1, {{0xE0, 0x07}}, {.bitCount = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}}));
  const PicturePixels bgrx = decode(encodeBmp(1, {{0x10, 0x20, 0x30, 0x99}}, {.bitCount = 32}));
  ASSERT_FALSE(rgb555.empty());
  ASSERT_FALSE(rgb565.empty());
  ASSERT_FALSE(bgrx.empty());
  EXPECT_EQ(0x0000FFu, rgb555.colourAt(0, 0));
  EXPECT_EQ(0x00FF00u, rgb565.colourAt(0, 0));
  EXPECT_EQ(0x102030u, bgrx.colourAt(0, 0));
}

TEST(BmpDecode, DamagedHeadersAndShortDataGiveNoPicture) {
  const Bytes good = encodeBmp(4, {Bytes(12, 1), Bytes(12, 2)}, {});
  ASSERT_FALSE(decode(good).empty());
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"pixels cut short", [](Bytes& b) { b.resize(b.size() - 1); }},
      {"header size past the end", [](Bytes& b) { put32(b, 14, 0x10000); }},
      {"header size 20", [](Bytes& b) { put32(b, 14, 20); }},
      {"zero width", [](Bytes& b) { put32(b, 18, 0); }},
      {"negative width", [](Bytes& b) { put32(b, 18, 0xFFFFFFFC); }},
      {"zero height", [](Bytes& b) { put32(b, 22, 0); }},
      {"most negative height", [](Bytes& b) { put32(b, 22, 0x80000000); }},
      {"huge", [](Bytes& b) { put32(b, 18, 100000), put32(b, 22, 100000); }},
      {"pixel offset past the end", [](Bytes& b) { put32(b, 10, 0xFFFFFFF0); }},
      {"run-length encoded", [](Bytes& b) { put16(b, 28, 8), put32(b, 30, 1); }},
      {"bit count 7", [](Bytes& b) { put16(b, 28, 7); }},
      {"bitfields at 24 bits", [](Bytes& b) { put32(b, 30, 3); }},
  };
  for (const auto& c : cases) {
    Bytes b = good;
    c.damage(b);
    EXPECT_TRUE(decode(b).empty()) << c.what;
  }
  const Bytes shortPalette =
      encodeBmp(2, {{0, 1}}, {.bitCount = 8, .palette = {0, 0}, .paletteCount = 200});
  Bytes cut(shortPalette.begin(), shortPalette.begin() + 14 + 40 + 8);
  EXPECT_TRUE(decode(cut).empty());
}

TEST(BmpDecode, CoreHeader) {
  Bytes b(14 + 12 + 4, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 10, 26);
  put32(b, 14, 12);
  put16(b, 18, 1);
  put16(b, 20, 1);
  put16(b, 22, 1);
  put16(b, 24, 24);
  b[26] = 0x30, b[27] = 0x20, b[28] = 0x10;
  const PicturePixels p = decode(b);
  ASSERT_EQ(1, p.width);
  EXPECT_EQ(0x302010u, p.colourAt(0, 0));
}

}  // namespace

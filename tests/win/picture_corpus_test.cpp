// Damaged pictures through a real window's background: each one is written into BackPicture
// and painted at once. Nothing may crash or hang, and a picture that does not decode leaves
// the BackColor fill.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/byte_buffer.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/graphics/picture.h"
#include "ui/model/component_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

class PictureCorpus : public testing::Test {
 protected:
  void TearDown() override {
    for (LoadedWindow* w : loadedWindows())
      if (HWND h = w->hwnd()) DestroyWindow(h);
    pumpMessages();
  }

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

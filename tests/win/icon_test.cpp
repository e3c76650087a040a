#include "ui/graphics/icon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tests/win/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Image {
  int size;
  COLORREF colour;
};

// An .ico file of square 32-bit images, each one colour, opaque.
Bytes icoFile(const std::vector<Image>& images) {
  Bytes file(6 + 16 * images.size(), 0);
  file[2] = 1;
  file[4] = static_cast<uint8_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const int n = images[i].size;
    const size_t maskRow = (n + 31) / 32 * 4;
    Bytes data(40 + size_t{4} * n * n + maskRow * n, 0);
    put32le(data, 0, 40);
    put32le(data, 4, n);
    put32le(data, 8, 2 * n);  // the colours and the mask
    data[12] = 1;
    data[14] = 32;
    for (size_t p = 40; p < 40 + size_t{4} * n * n; p += 4) {
      data[p] = GetBValue(images[i].colour);
      data[p + 1] = GetGValue(images[i].colour);
      data[p + 2] = GetRValue(images[i].colour);
      data[p + 3] = 0xFF;
    }
    const size_t entry = 6 + 16 * i;
    file[entry] = static_cast<uint8_t>(n);
    file[entry + 1] = static_cast<uint8_t>(n);
    file[entry + 4] = 1;
    file[entry + 6] = 32;
    put32le(file, entry + 8, static_cast<uint32_t>(data.size()));
    put32le(file, entry + 12, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), data.begin(), data.end());
  }
  return file;
}

// The colour at the middle of the icon drawn at `size`.
COLORREF middleOf(HICON icon, int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  const COLORREF c = GetPixel(dc, size / 2, size / 2);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return c;
}

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

TEST(IconFromFile, TheImageThatFitsBestElseNone) {
  const Bytes two = icoFile({{16, kRed}, {32, kBlue}});
  // The file with bytes from `at` on replaced; the second entry's fields start at 22.
  const auto patched = [&two](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = two;
    std::copy(bytes.begin(), bytes.end(), b.begin() + at);
    return b;
  };
  struct Case {
    const char* what;
    Bytes file;
    int size;
    COLORREF expected;  // 0: no icon
  } cases[] = {
      {"32 of 16 and 32", two, 32, kBlue},
      {"16 of 16 and 32", two, 16, kRed},
      {"one image for any size", icoFile({{32, kBlue}}), 16, kBlue},
      {"empty", {}, 32, 0},
      {"a cursor file", patched(2, {2}), 32, 0},
      {"no images", patched(4, {0}), 32, 0},
      {"a directory cut short", Bytes(two.begin(), two.begin() + 30), 32, 0},
      {"no data", patched(22 + 8, {0, 0, 0, 0}), 32, 0},
      {"data starting past the end", patched(22 + 15, {0x7F}), 32, 0},
      {"data running past the end", patched(22 + 11, {0x7F}), 32, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OwnedIcon icon(iconFromFile(c.file, c.size, c.size));
    if (!c.expected) {
      EXPECT_EQ(icon.get(), nullptr);
      continue;
    }
    ASSERT_NE(icon.get(), nullptr);
    EXPECT_EQ(middleOf(icon.get(), c.size), c.expected);
  }
}

}  // namespace

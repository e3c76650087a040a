// Pictures of components for people to look at: written only when QUENLO_SCREENSHOTS names a
// folder (scripts/screenshots.sh does that), skipped otherwise.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/byte_buffer.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

namespace {

constexpr UnitId kPictureWin = 0x52210002, kWindowUnit = 0x06210000;

std::string shotFolder() {
  const char* folder = std::getenv("QUENLO_SCREENSHOTS");
  return folder ? folder : "";
}

// The window as it is on the screen, frame included, as a 24-bit BMP file.
void saveWindow(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFOHEADER header{sizeof header, w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD size = ((w * 3 + 3) & ~3u) * h;
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof header + size), 0, 0,
                        static_cast<DWORD>(sizeof file + sizeof header)};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(static_cast<const char*>(bits), size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// A small picture with a frame, so that placement and tiling show.
ByteBuffer smallPicture(int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<uint8_t> b(54 + stride * height, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54), put32(14, 40), put32(18, width), put32(22, height);
  b[26] = 1, b[28] = 24;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &b[54 + stride * y + 3 * x];
      const bool edge = x < 3 || y < 3 || x >= width - 3 || y >= height - 3;
      p[0] = edge ? 0 : static_cast<uint8_t>(255 * x / width);
      p[1] = edge ? 0 : static_cast<uint8_t>(255 * y / height);
      p[2] = edge ? 0 : 200;
    }
  }
  return ByteBuffer::copyOf(b.data(), b.size());
}

TEST(Screenshots, PictureModesLabelsAndStatusBar) {
  const std::string folder = shotFolder();
  if (folder.empty()) GTEST_SKIP() << "QUENLO_SCREENSHOTS is not set";
  useTestForm("label_picture");
  ASSERT_TRUE(loadWindow(kPictureWin, false, nullptr));
  HWND window = findLoadedWindow(kPictureWin)->hwnd();
  pumpMessages(300);
  saveWindow(window, folder + "\\labels.bmp");

  writeProperty(kPictureWin, kWindowUnit, kWinBackColor, PropertyValue(0x00705030u));
  writeProperty(kPictureWin, kWindowUnit, kWinBackPicture, PropertyValue(smallPicture(150, 100)));
  for (int mode = 0; mode <= 3; ++mode) {
    writeProperty(kPictureWin, kWindowUnit, kWinPictureMode, PropertyValue(mode));
    pumpMessages(300);
    saveWindow(window, folder + "\\picture-mode-" + std::to_string(mode) + ".bmp");
  }
  DestroyWindow(window);
  pumpMessages();
}

}  // namespace

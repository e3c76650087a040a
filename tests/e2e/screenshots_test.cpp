// Screenshots of the real program for people to look at: written only when QUENLO_SCREENSHOTS
// names a folder (scripts/screenshots.sh does that), skipped otherwise.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"

namespace {

bool saveScreen(const std::string& path) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD stride = (w * 3 + 3) & ~3u, size = stride * h;
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader + size), 0,
                        0, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader)};
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return writeFile(path, bytes);
}

std::string shotFolder() {
  const char* folder = std::getenv("QUENLO_SCREENSHOTS");
  return folder ? folder : "";
}

TEST(Screenshots, StartedWindowMenuAndHelp) {
  const std::string folder = shotFolder();
  if (folder.empty()) GTEST_SKIP() << "QUENLO_SCREENSHOTS is not set";
  QuenloApp app;
  ASSERT_TRUE(app.started());
  app.focus(app.inputBox());
  app.type("Quenlo 3.0\nhello\n");
  Sleep(300);
  EXPECT_TRUE(saveScreen(folder + "\\started.bmp"));

  // The third menu title, "背景色", opened with the mouse as a user would.
  RECT outer;
  GetWindowRect(app.main(), &outer);
  POINT inClient{0, 0};
  ClientToScreen(app.main(), &inClient);
  const int menuY = inClient.y - GetSystemMetrics(SM_CYMENU) / 2;
  clickAt(outer.left + 200, menuY);
  Sleep(500);
  EXPECT_TRUE(saveScreen(folder + "\\menu.bmp"));
  // Esc leaves the menu; one more would close the window.
  for (int i = 0; i < 3 && app.inMenu(); ++i) app.press(VK_ESCAPE);
  Sleep(200);

  app.chooseMenu(32);  // 功能介绍与更新
  HWND help = app.waitForDialog("帮助");
  ASSERT_NE(help, nullptr);
  Sleep(300);
  EXPECT_TRUE(saveScreen(folder + "\\help.bmp"));
  PostMessageA(help, WM_COMMAND, IDOK, 0);
  waitUntil([&] { return !IsWindow(help); });

  app.chooseMenu(20);  // 红
  app.chooseMenu(23);  // 白色
  app.chooseMenu(11);  // B28
  SetWindowPos(app.main(), nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
  Sleep(500);
  EXPECT_TRUE(saveScreen(folder + "\\resized.bmp"));
}

// A UTF-8 file shown as text, then the status after a binary file was refused.
TEST(Screenshots, AUtf8DocumentAndARefusedFile) {
  const std::string folder = shotFolder();
  if (folder.empty()) GTEST_SKIP() << "QUENLO_SCREENSHOTS is not set";
  QuenloApp app;
  ASSERT_TRUE(app.started());
  const std::string utf8 = app.elsewhere() + "\\utf8.txt", binary = app.elsewhere() + "\\data.bin";
  ASSERT_TRUE(writeFile(utf8, "UTF-8: \xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE6\x9C\xAC\r\n"));
  ASSERT_TRUE(writeFile(binary, std::string("MZ\0\0\x90", 5)));
  ASSERT_TRUE(app.openThroughDialog(utf8));
  Sleep(300);
  EXPECT_TRUE(saveScreen(folder + "\\utf8.bmp"));
  ASSERT_TRUE(app.openThroughDialog(binary));
  Sleep(300);
  EXPECT_TRUE(saveScreen(folder + "\\refused.bmp"));
}

// Mixed Chinese and ASCII paragraphs, wrapped: a short document, and the middle of a big one.
// Run with QUENLO_E2E_PROGRAM naming a build without the box's own line breaking to compare.
TEST(Screenshots, WrappedMixedText) {
  const std::string folder = shotFolder();
  if (folder.empty()) GTEST_SKIP() << "QUENLO_SCREENSHOTS is not set";
  const std::string paragraph =
      "他说：“你好，世界！”Quenlo 是一个文本编辑器，it wraps long lines, （括号里的话）"
      "数字 2048 和 x86_64；《书名》、「引号」和『双引号』？another sentence here. "
      "末尾还有一句。一二三四五六七八九十，一二三四五六七八九十。abcdefghijklmnopqrstuvwxyz"
      "abcdefghijklmnopqrstuvwxyz 中文！\r\n";
  std::string small, big;
  for (int i = 0; i < 4; ++i) small += paragraph;
  while (big.size() < (2u << 20)) big += paragraph;
  QuenloApp app;
  ASSERT_TRUE(app.started());
  const std::string smallPath = app.elsewhere() + "\\small.txt",
                    bigPath = app.elsewhere() + "\\big.txt";
  ASSERT_TRUE(writeFile(smallPath, small) && writeFile(bigPath, big));
  ASSERT_TRUE(app.openThroughDialog(smallPath));
  Sleep(300);
  EXPECT_TRUE(saveScreen(folder + "\\wrap-small.bmp"));
  ASSERT_TRUE(app.openThroughDialog(bigPath, 300000));
  const LRESULT middle = SendMessageA(app.inputBox(), WM_GETTEXTLENGTH, 0, 0) / 2;
  SendMessageA(app.inputBox(), EM_SETSEL, middle, middle);
  SendMessageA(app.inputBox(), EM_SCROLLCARET, 0, 0);
  Sleep(500);
  EXPECT_TRUE(saveScreen(folder + "\\wrap-big.bmp"));
}

}  // namespace

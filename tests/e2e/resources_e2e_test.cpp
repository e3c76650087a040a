// The executable's resources, read from the built Quenlo.exe and seen in the running program.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"

namespace {

BOOL CALLBACK addLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

std::string versionString(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\080403a8\\") + name;
  if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
      !value)
    return "";
  return std::string(value, strnlen(value, length));
}

TEST(ResourcesE2E, TheVersionIsInChineseOfThePrcWithItsCompanyAndCopyright) {
  HMODULE exe = LoadLibraryExA(QUENLO_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  std::vector<WORD> languages;
  EnumResourceLanguagesA(exe, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), &addLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(exe);
  EXPECT_EQ(languages, std::vector<WORD>{0x0804});

  std::vector<char> info(GetFileVersionInfoSizeA(QUENLO_EXE, nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(QUENLO_EXE, 0, static_cast<DWORD>(info.size()), info.data()));
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);
  EXPECT_EQ(versionString(info, "FileVersion"), "3.0.0.0");
  EXPECT_NE(versionString(info, "CompanyName"), "");
  EXPECT_NE(versionString(info, "LegalCopyright"), "");
}

// The 32-bit program gets 4 GB of address space on 64-bit Windows instead of 2, room for a
// file twice as large.
TEST(ResourcesE2E, TheProgramMayUseAddressesAboveTwoGigabytes) {
  HANDLE file =
      CreateFileA(QUENLO_EXE, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::vector<char> head(4096);
  DWORD read = 0;
  ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
  CloseHandle(file);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data());
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  ASSERT_LT(static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), read);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(head.data() + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// The manifest asks for common controls 6 of the program's own processor architecture: a
// 64-bit program whose manifest names x86 gets the system's version 5 instead.
TEST(ResourcesE2E, TheProgramRunsWithCommonControlsSixOfItsOwnArchitecture) {
  QuenloApp app;
  ASSERT_TRUE(app.started());
  HMODULE modules[512];
  DWORD bytes = 0;
  ASSERT_TRUE(EnumProcessModules(app.process(), modules, sizeof modules, &bytes));
  std::string comctl;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
    char path[MAX_PATH] = {};
    GetModuleFileNameExA(app.process(), modules[i], path, MAX_PATH);
    const std::string name = lower(path);
    if (name.size() >= 12 && name.compare(name.size() - 12, 12, "comctl32.dll") == 0) comctl = name;
  }
  const std::string arch = sizeof(void*) == 8 ? "amd64" : "x86";
  EXPECT_NE(comctl.find("\\winsxs\\" + arch + "_microsoft.windows.common-controls_"),
            std::string::npos)
      << comctl;
  EXPECT_NE(comctl.find("_6.0."), std::string::npos) << comctl;
}

// What `icon` shows at n x n: the colour of each pixel it covers wholly (the same over black and
// over white), CLR_INVALID where the background shows through.
std::vector<COLORREF> iconPixels(HICON icon, int n) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, n, 2 * n);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT black{0, 0, n, n}, white{0, n, n, 2 * n};
  FillRect(dc, &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawIconEx(dc, 0, 0, icon, n, n, 0, nullptr, DI_NORMAL);
  DrawIconEx(dc, 0, n, icon, n, n, 0, nullptr, DI_NORMAL);
  std::vector<COLORREF> pixels(n * n, CLR_INVALID);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (GetPixel(dc, x, y) == GetPixel(dc, x, y + n)) pixels[y * n + x] = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// Whether the screen shows `pixels` (n x n) somewhere within `area`.
bool shownWithin(const RECT& area, const std::vector<COLORREF>& pixels, int n) {
  HDC screen = GetDC(nullptr);
  const int w = area.right - area.left, h = area.bottom - area.top;
  std::vector<COLORREF> shown(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) shown[y * w + x] = GetPixel(screen, area.left + x, area.top + y);
  ReleaseDC(nullptr, screen);
  for (int dy = 0; dy + n <= h; ++dy)
    for (int dx = 0; dx + n <= w; ++dx) {
      bool same = true;
      for (int i = 0; same && i < n * n; ++i)
        same = pixels[i] == CLR_INVALID || pixels[i] == shown[(dy + i / n) * w + dx + i % n];
      if (same) return true;
    }
  return false;
}

// The caption shows the icon built into Quenlo.exe, not the system's icon for any program.
TEST(ResourcesE2E, TheCaptionShowsTheProgramsOwnIcon) {
  const int n = GetSystemMetrics(SM_CXSMICON);
  HMODULE exe = LoadLibraryExA(QUENLO_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HICON own = static_cast<HICON>(LoadImageA(exe, MAKEINTRESOURCEA(1), IMAGE_ICON, n, n, 0));
  ASSERT_NE(own, nullptr);
  const std::vector<COLORREF> ownPixels = iconPixels(own, n);
  DestroyIcon(own);
  FreeLibrary(exe);
  const std::vector<COLORREF> genericPixels = iconPixels(LoadIconA(nullptr, IDI_APPLICATION), n);
  ASSERT_NE(ownPixels, genericPixels);

  QuenloApp app;
  ASSERT_TRUE(app.started());
  RECT outer, client;
  GetWindowRect(app.main(), &outer);
  GetClientRect(app.main(), &client);
  MapWindowPoints(app.main(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  const RECT caption{outer.left, outer.top, outer.left + 3 * n, client.top};
  EXPECT_TRUE(waitUntil([&] { return shownWithin(caption, ownPixels, n); }));
  EXPECT_FALSE(shownWithin(caption, genericPixels, n));
}

}  // namespace

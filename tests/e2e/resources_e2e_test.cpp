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

}  // namespace

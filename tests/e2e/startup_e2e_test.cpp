// Start-up of copies of Quenlo.exe whose embedded form block has been damaged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"

namespace {

BOOL CALLBACK firstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  *reinterpret_cast<WORD*>(found) = language;
  return FALSE;
}

std::string formBlock(WORD& language) {
  HMODULE exe = LoadLibraryExA(QUENLO_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!exe) return "";
  EnumResourceLanguagesA(exe, MAKEINTRESOURCEA(10), "FORM", &firstLanguage,
                         reinterpret_cast<LONG_PTR>(&language));
  HRSRC res = FindResourceExA(exe, MAKEINTRESOURCEA(10), "FORM", language);
  std::string block;
  if (res) {
    auto* data = static_cast<const char*>(LockResource(LoadResource(exe, res)));
    block.assign(data, SizeofResource(exe, res));
  }
  FreeLibrary(exe);
  return block;
}

// Writes a copy of the program with `block` as its form into `folder`.
bool copyWithForm(const std::string& folder, std::string block, WORD language) {
  const std::string exe = folder + "\\Quenlo.exe";
  if (!CopyFileA(QUENLO_EXE, exe.c_str(), FALSE)) return false;
  HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
  if (!update) return false;
  UpdateResourceA(update, MAKEINTRESOURCEA(10), "FORM", language, block.data(),
                  static_cast<DWORD>(block.size()));
  return EndUpdateResourceA(update, FALSE) != 0;
}

struct Started {
  std::string errorText;  // the message box's text, empty when none appeared
  DWORD exitCode = 0;
};

Started start(const std::string& exe) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + exe + "\"";
  Started result;
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return result;
  HWND box = nullptr;
  waitUntil([&] {
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return true;
    return (box = topLevelOf(pi.dwProcessId, "#32770", nullptr)) != nullptr;
  });
  if (box) {
    result.errorText = windowText(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  GetExitCodeProcess(pi.hProcess, &result.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return result;
}

TEST(StartupE2E, ADamagedFormEndsTheProgramWithTheFatalMessage) {
  WORD language = 0;
  const std::string block = formBlock(language);
  ASSERT_GT(block.size(), 64u);
  std::string flipped = block;
  for (size_t i = 8; i < 40; ++i) flipped[i] = static_cast<char>(0xFF);
  const struct {
    const char* what;
    std::string block;
  } cases[] = {
      {"cut short", block.substr(0, block.size() / 3)},
      {"counts overwritten", flipped},
      {"a few bytes", block.substr(0, 6)},
  };
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      std::string(temp) + "quenlo-damaged-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(copyWithForm(folder, c.block, language));
    const Started s = start(folder + "\\Quenlo.exe");
    EXPECT_EQ(s.exitCode, static_cast<DWORD>(-1));
    EXPECT_EQ(s.errorText.rfind("运行时出错!\r\n", 0), 0u) << s.errorText;
    EXPECT_NE(s.errorText.find("错误信息：载入窗口模板数据段出错!"), std::string::npos)
        << s.errorText;
  }
  DeleteFileA((folder + "\\Quenlo.exe").c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

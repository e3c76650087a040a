// Start-up of copies of Quenlo.exe: with a damaged form block, and in the root of a drive.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstring>
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

// A free drive letter mapped to a fresh folder for the life of the object. Windows maps it with
// DefineDosDevice; Wine's file system does not follow such a mapping, so there the letter is
// defined through Wine's mount manager, as its configuration tool does.
class MappedDrive {
 public:
  MappedDrive() : folder_(makeTempFolder("quenlo-drive-")) {
    for (char c = 'Q'; c <= 'Y' && !letter_; ++c)
      if (!(GetLogicalDrives() & (1u << (c - 'A')))) letter_ = c;
    if (!letter_) return;
    if (DefineDosDeviceA(0, root().c_str(), folder_.c_str()) && fileExists(root() + "\\")) {
      dosDevice_ = true;
      return;
    }
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, root().c_str(), nullptr);
    if (!mountUnixDrive(true)) letter_ = 0;
  }
  ~MappedDrive() {
    if (dosDevice_)
      DefineDosDeviceA(DDD_REMOVE_DEFINITION, root().c_str(), nullptr);
    else if (letter_)
      mountUnixDrive(false);
    removeFolder(folder_);
  }
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  explicit operator bool() const { return letter_ != 0; }
  std::string root() const { return std::string(1, letter_) + ":"; }  // "Q:", without "\\"

 private:
  // Wine's request to define (or, without a mount point, remove) a drive letter.
  struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
  };

  bool mountUnixDrive(bool define) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return false;
    std::wstring wide(folder_.begin(), folder_.end());  // the temporary path is ASCII
    char* target = unixName(wide.c_str());
    if (!target) return false;
    std::vector<char> request(sizeof(UnixDriveRequest) + (define ? std::strlen(target) + 1 : 0));
    auto* r = reinterpret_cast<UnixDriveRequest*>(request.data());
    r->size = static_cast<ULONG>(request.size());
    r->type = define ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
    r->letter = static_cast<WCHAR>(letter_);
    if (define) {
      r->mountPointOffset = sizeof *r;
      std::strcpy(request.data() + sizeof *r, target);
    }
    HeapFree(GetProcessHeap(), 0, target);
    HANDLE manager =
        CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    constexpr DWORD kDefineUnixDrive =
        CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                        static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    return ok && (!define || fileExists(root() + "\\"));
  }

  std::string folder_;
  char letter_ = 0;
  bool dosDevice_ = false;
};

// Started from a folder of the same drive, the program must still work in the root, where it
// lives: "Q:" alone would be the folder it was started from.
TEST(StartupE2E, InTheRootOfADriveTheRootBecomesTheCurrentFolder) {
  MappedDrive drive;
  if (!drive) GTEST_SKIP() << "no drive letter could be mapped";
  const std::string started = drive.root() + "\\started";
  ASSERT_TRUE(CreateDirectoryA(started.c_str(), nullptr));
  {
    QuenloApp app(drive.root(), started);
    ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window";
    EXPECT_EQ(app.close(), 0u);
  }
  EXPECT_TRUE(fileExists(drive.root() + "\\Quenlo备份.txt")) << "the backup is in the root";
  EXPECT_FALSE(fileExists(started + "\\Quenlo备份.txt"));
}

}  // namespace

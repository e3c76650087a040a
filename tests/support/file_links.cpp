#include "tests/support/file_links.h"

#include <windows.h>

#include <functional>

namespace {

bool underWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The host's name of a Windows path, from Wine's own export.
std::string hostName(const std::string& path) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  wchar_t wide[MAX_PATH];
  if (!unixName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return {};
  char* name = unixName(wide);
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool entryExists(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

// Runs a host program; its handle cannot be waited for, so `done` is polled instead.
bool runOnHost(const char* program, std::string command, const std::function<bool()>& done) {
  STARTUPINFOA startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 250; ++i, Sleep(20))
    if (done()) return true;
  return false;
}

}  // namespace

SymbolicLink::SymbolicLink(const std::string& link, const std::string& target) : link_(link) {
  if (!underWine()) {
    made_ = CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) != 0;
    return;
  }
  const std::string from = hostName(target), to = hostName(link);
  made_ = !from.empty() && !to.empty() &&
          runOnHost("Z:\\bin\\ln", "ln -s \"" + from + "\" \"" + to + "\"",
                    [&] { return entryExists(link); });
}

SymbolicLink::~SymbolicLink() {
  if (!made_) return;
  if (!underWine()) {
    DeleteFileA(link_.c_str());
    return;
  }
  runOnHost("Z:\\bin\\rm", "rm -f \"" + hostName(link_) + "\"",
            [&] { return !entryExists(link_); });
}

bool setHostPermissions(const std::string& path, const char* mode) {
  if (!underWine()) return false;
  const std::string name = hostName(path);
  // Done once the host's stat (through Wine's view of the descriptor) shows the change.
  SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION;
  auto descriptor = [&] {
    std::string bytes(4096, '\0');
    DWORD needed = 0;
    GetFileSecurityA(path.c_str(), parts, bytes.data(), static_cast<DWORD>(bytes.size()), &needed);
    bytes.resize(needed);
    return bytes;
  };
  const std::string before = descriptor();
  return !name.empty() && runOnHost("Z:\\bin\\chmod", std::string("chmod ") + mode + " \"" + name + "\"",
                                    [&] { return descriptor() != before; });
}

std::string hostPath(const std::string& path) { return underWine() ? hostName(path) : ""; }

bool runInHostShell(const std::string& command, const std::function<bool()>& done) {
  return underWine() && runOnHost("Z:\\bin\\sh", "sh -c \"" + command + "\"", done);
}

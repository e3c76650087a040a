#include "tests/support/file_links.h"

#include <windows.h>

#include <functional>
#include <optional>

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

// Runs `command` in the host's shell and returns what it wrote to its standard output; none
// when it did not end within the wait of runOnHost.
static std::optional<std::string> runHostShell(const std::string& command) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string out =
      std::string(temp) + "quenlo-shell-" + std::to_string(GetCurrentProcessId()) + ".txt";
  const std::string part = out + ".part", outName = hostName(out), partName = hostName(part);
  DeleteFileA(out.c_str());
  // The output appears under its name only once the command has ended.
  if (outName.empty() || partName.empty() ||
      !runOnHost(
          "Z:\\bin\\sh",
          "sh -c \"" + command + " > '" + partName + "'; mv '" + partName + "' '" + outName + "'\"",
          [&] { return entryExists(out); }))
    return std::nullopt;
  std::string output(4096, '\0');
  HANDLE h =
      CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD read = 0;
  if (h != INVALID_HANDLE_VALUE) {
    ReadFile(h, output.data(), static_cast<DWORD>(output.size()), &read, nullptr);
    CloseHandle(h);
  }
  DeleteFileA(out.c_str());
  output.resize(read);
  return output;
}

bool setHostPermissions(const std::string& path, const char* mode) {
  const std::string name = hostName(path);
  return underWine() && !name.empty() &&
         runHostShell(std::string("chmod ") + mode + " '" + name + "'").has_value();
}

std::string hostPermissions(const std::string& path) {
  const std::string name = hostName(path);
  if (!underWine() || name.empty()) return {};
  std::string mode = runHostShell("stat -c %a '" + name + "'").value_or("");
  while (!mode.empty() && (mode.back() == '\n' || mode.back() == '\r')) mode.pop_back();
  return mode;
}

std::string hostPath(const std::string& path) { return underWine() ? hostName(path) : ""; }

bool runInHostShell(const std::string& command, const std::function<bool()>& done) {
  return underWine() && runOnHost("Z:\\bin\\sh", "sh -c \"" + command + "\"", done);
}

#include "runtime/file.h"

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/file_detail.h"
#include "runtime/file_io.h"

namespace file_detail {

SystemCalls& systemCalls() {
  static SystemCalls calls;
  return calls;
}

namespace {
const char* nameOf(SavePoint point) {
  switch (point) {
    case SavePoint::kBeforeNewBytes:
      return "before";
    case SavePoint::kAmidNewBytes:
      return "amid";
    default:
      return "after";
  }
}
}  // namespace

void pauseWhereAsked(SavePoint point, const std::string& target) {
  static const std::string asked = [] {
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("QUENLO_PAUSE_SAVE", value, sizeof value);
    return std::string(value, n < sizeof value ? n : 0);
  }();
  const size_t colon = asked.find(':');
  if (colon == std::string::npos || asked.compare(0, colon, nameOf(point)) != 0) return;
  const std::string name = asked.substr(colon + 1);
  if (name.empty() || target.size() < name.size()) return;
  const size_t at = target.size() - name.size();
  if (_stricmp(target.c_str() + at, name.c_str()) != 0 ||
      (at > 0 && target[at - 1] != '\\' && target[at - 1] != '/'))
    return;
  const std::string event = "QuenloSavePaused" + std::to_string(GetCurrentProcessId());
  if (HANDLE paused = CreateEventA(nullptr, TRUE, FALSE, event.c_str())) SetEvent(paused);
  Sleep(INFINITE);
}

}  // namespace file_detail

using file_detail::SavePoint;
using file_detail::systemCalls;
using save_journal::Leftover;

namespace file_io {

bool writeBytes(HANDLE file, const uint8_t* bytes, DWORD size) {
  while (size) {
    DWORD written = 0;
    if (!systemCalls().writeFile(file, bytes, size, &written, nullptr) || written == 0)
      return false;
    bytes += written;
    size -= written;
  }
  return true;
}

bool writeAll(HANDLE file, std::initializer_list<const ByteBuffer*> buffers,
              const std::string& target) {
  uint64_t total = 0;
  for (const ByteBuffer* buffer : buffers)
    if (buffer) total += buffer->size();
  const uint64_t half = total / 2;
  uint64_t done = 0;
  bool halfway = total == 0;
  for (const ByteBuffer* buffer : buffers) {
    if (!buffer) continue;
    const uint8_t* bytes = buffer->data();
    DWORD size = buffer->size();
    if (!halfway && done + size >= half) {
      const DWORD first = static_cast<DWORD>(half - done);
      if (!writeBytes(file, bytes, first)) return false;
      systemCalls().reached(SavePoint::kAmidNewBytes, target);
      halfway = true;
      bytes += first;
      size -= first;
      done += first;
    }
    if (!writeBytes(file, bytes, size)) return false;
    done += size;
  }
  return true;
}

bool descriptorIsUnixMode() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
  }();
  return wine;
}

std::string finalPath(HANDLE file, const char* fileName) {
  char buffer[MAX_PATH + 8];
  DWORD n = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= sizeof buffer) return fileName;
  std::string path(buffer, n);
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
  if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

std::string resolvedPath(const char* fileName) {
  FileHandle file(CreateFileA(fileName, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.valid()) return finalPath(file.get(), fileName);
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(fileName, sizeof full, full, nullptr);
  return n && n < sizeof full ? std::string(full, n) : std::string(fileName);
}

std::string inFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

HANDLE createBeside(const std::string& path, Leftover kind, std::string& name, DWORD access,
                    SECURITY_ATTRIBUTES* security) {
  static volatile LONG counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = save_journal::leftoverName(path, kind, GetCurrentProcessId(),
                                      static_cast<uint32_t>(InterlockedIncrement(&counter)));
    HANDLE h = systemCalls().createFile(name.c_str(), access, 0, security, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace file_io

using namespace file_io;

namespace {

// The whole file from its start; false when it cannot be read or is 2 GiB or more.
bool readWhole(HANDLE file, ByteBuffer& out) {
  LONG high = 0;
  DWORD size = SetFilePointer(file, 0, &high, FILE_END);
  if (high != 0 || size >= 0x80000000u) return false;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0) return false;
  if (size == 0) return true;

  ByteBuffer bytes = ByteBuffer::allocate(size);
  if (bytes.isNull()) return false;
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), size, &read, nullptr)) return false;
  bytes.shrink(read);
  out = std::move(bytes);
  return true;
}

// What a save is about to replace. The name is opened with every link followed, so `path` is
// where the bytes really live; a name that leads through a symbolic link or junction keeps it.
struct Target {
  enum State { kMissing, kReplaceable, kBlocked } state = kBlocked;
  std::string path;
  BY_HANDLE_FILE_INFORMATION info{};
};

// Renaming over a file can succeed while another program still has it open, so an exclusive
// open decides whether the target may be replaced; it stays open in `held`. The attributes are
// asked first because that open succeeds on read-only files for root under Wine.
Target probeTarget(const char* fileName, FileHandle& held) {
  Target target;
  DWORD attributes = GetFileAttributesA(fileName);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return target;
  held.reset(systemCalls().createFile(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held.valid()) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) target.state = Target::kMissing;
    target.path = fileName;
    return target;
  }
  if (!GetFileInformationByHandle(held.get(), &target.info)) return target;
  target.path = finalPath(held.get(), fileName);
  target.state = Target::kReplaceable;
  return target;
}

constexpr SECURITY_INFORMATION kSecurityParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

std::vector<uint8_t> securityOf(const std::string& name) {
  DWORD needed = 0;
  GetFileSecurityA(name.c_str(), kSecurityParts, nullptr, 0, &needed);
  std::vector<uint8_t> descriptor(needed);
  if (needed == 0 ||
      !GetFileSecurityA(name.c_str(), kSecurityParts, descriptor.data(), needed, &needed))
    descriptor.clear();
  return descriptor;
}

// A rename gives the target the temporary file's owner, group and access list. It may only
// replace a target that has the same, as a file in that folder usually has; any other target is
// written in place. Carrying the target's descriptor over would not do: under Wine it stands for
// the Unix permissions, and Wine gives a new file other permissions for the same descriptor.
bool sameSecurity(const std::string& target, const std::string& temp) {
  const std::vector<uint8_t> kept = securityOf(target);
  return !kept.empty() && kept == securityOf(temp);
}

// The attributes a saved file keeps. A write marks a file for backup, so it is archived too.
DWORD keptAttributes(const Target& target) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  return (target.info.dwFileAttributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
}

// A leftover that cannot go now is the program's own stray file; the first look into its folder
// after this process has ended takes it away.
void removeLeftover(const std::string& name) { DeleteFileA(name.c_str()); }

// The whole new content goes to a temporary file, written and flushed before it takes the
// target's place with the target's attributes and creation time.
enum class Replaced { kYes, kNo, kNotByRename };
Replaced replaceByRename(const Target& target, FileHandle& held,
                         std::initializer_list<const ByteBuffer*> buffers, bool keepSecurity) {
  std::string tempName;
  FileHandle temp(createBeside(target.path, Leftover::kTemporary, tempName,
                               GENERIC_READ | GENERIC_WRITE, nullptr));
  if (!temp.valid()) return Replaced::kNo;
  const bool existed = target.state == Target::kReplaceable;
  if (existed && keepSecurity && !sameSecurity(target.path, tempName)) {
    temp.close();
    removeLeftover(tempName);
    return Replaced::kNotByRename;
  }

  systemCalls().reached(SavePoint::kBeforeNewBytes, target.path);
  bool ok = writeAll(temp.get(), buffers, target.path) && FlushFileBuffers(temp.get());
  if (ok && existed) ok = SetFileTime(temp.get(), &target.info.ftCreationTime, nullptr, nullptr);
  ok = temp.close() && ok;
  if (ok && existed) ok = SetFileAttributesA(tempName.c_str(), keptAttributes(target));
  if (ok) systemCalls().reached(SavePoint::kAfterNewBytes, target.path);
  // The target stays held until now, so that nobody opens it while the new bytes are written.
  held.close();
  ok = ok && systemCalls().moveFile(tempName.c_str(), target.path.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) removeLeftover(tempName);
  return ok ? Replaced::kYes : Replaced::kNo;
}

// Makes the empty file that `fileName` leads to and tells where it lives. Under Wine a symbolic
// link that leads nowhere is invisible, but an exclusive creation of its name fails; opening it
// for creation then makes the file it leads to.
bool makeThroughName(const char* fileName, std::string& made) {
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
  FileHandle file(systemCalls().createFile(fileName, kAccess, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
    // Either the file appeared meanwhile, or the name is such a link.
    FileHandle existing(CreateFileA(fileName, FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (existing.valid() || GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    file.reset(systemCalls().createFile(fileName, kAccess, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
  }
  made = finalPath(file.get(), fileName);
  return file.close();
}

// A new file: the new bytes are written and flushed beside the name before the file is made,
// so that a kill leaves no partial file under the name.
bool createByRename(const char* fileName, std::initializer_list<const ByteBuffer*> buffers) {
  std::string tempName;
  FileHandle temp(createBeside(fileName, Leftover::kTemporary, tempName,
                               GENERIC_READ | GENERIC_WRITE, nullptr));
  if (!temp.valid()) return false;
  systemCalls().reached(SavePoint::kBeforeNewBytes, fileName);
  bool ok = writeAll(temp.get(), buffers, fileName) && FlushFileBuffers(temp.get());
  ok = temp.close() && ok;
  if (ok) systemCalls().reached(SavePoint::kAfterNewBytes, fileName);
  std::string made;
  ok = ok && makeThroughName(fileName, made) &&
       systemCalls().moveFile(tempName.c_str(), made.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    removeLeftover(tempName);
    if (!made.empty()) DeleteFileA(made.c_str());
  }
  return ok;
}

}  // namespace

bool tryReadFileBytes(const char* fileName, ByteBuffer& out) {
  out = ByteBuffer();
  if (!fileName || !*fileName) return false;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  FileHandle file(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && readWhole(file.get(), out);
}

ByteBuffer readFileBytes(const char* fileName) {
  ByteBuffer bytes;
  tryReadFileBytes(fileName, bytes);
  return bytes;
}

SaveOutcome saveFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers) {
  SaveOutcome outcome;
  if (!fileName || !*fileName) return outcome;
  // A journal left for the file would otherwise be settled later against bytes written now.
  if (!settleJournalsOf(resolvedPath(fileName), outcome.oldBytesIn)) return outcome;
  FileHandle held;
  const Target target = probeTarget(fileName, held);
  if (target.state == Target::kBlocked) return outcome;
  if (target.state == Target::kMissing) {
    outcome.written = createByRename(fileName, buffers);
    return outcome;
  }
  // Under Wine a descriptor shows neither a file's execute nor its group bits (0644 and 0755
  // look alike), and this Wine tells a file's mode no other way (it does not answer
  // FileStatLxInformation): no rename can be known to keep a file's permissions there.
  if (target.info.nNumberOfLinks == 1 && !descriptorIsUnixMode()) {
    const Replaced replaced = replaceByRename(target, held, buffers, true);
    if (replaced != Replaced::kNotByRename) {
      outcome.written = replaced == Replaced::kYes;
      return outcome;
    }
  }
  outcome = writeInPlace(target.path, target.info, held.get(), buffers);
  outcome.written = held.close() && outcome.written;
  return outcome;
}

bool writeFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers) {
  return saveFileBytes(fileName, buffers).written;
}

bool writeFileBytesByRename(const char* fileName,
                            std::initializer_list<const ByteBuffer*> buffers) {
  if (!fileName || !*fileName) return false;
  FileHandle held;
  const Target target = probeTarget(fileName, held);
  return target.state != Target::kBlocked &&
         replaceByRename(target, held, buffers, false) == Replaced::kYes;
}

bool keepPreviousVersion(const char* fileName, const char* previousName, const ByteBuffer& next) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(fileName, GetFileExInfoStandard, &info)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (info.nFileSizeHigh == 0 && info.nFileSizeLow == next.size()) {
    ByteBuffer old;
    if (tryReadFileBytes(fileName, old) && old.view() == next.view()) return true;
  }
  // Wine lets a rename replace a read-only file; the user made it read-only to keep it.
  const DWORD previous = GetFileAttributesA(previousName);
  if (previous != INVALID_FILE_ATTRIBUTES &&
      (previous & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
    return false;
  return MoveFileExA(fileName, previousName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

std::string folderOf(const std::string& path) {
  size_t end = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      end = i + 1;
    }
  }
  return path.substr(0, end);
}

bool sameFile(const char* a, const char* b) {
  auto open = [](const char* name) {
    return CreateFileA(name, FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  };
  FileHandle first(open(a)), second(open(b));
  BY_HANDLE_FILE_INFORMATION x, y;
  if (first.valid() && second.valid())
    return GetFileInformationByHandle(first.get(), &x) &&
           GetFileInformationByHandle(second.get(), &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
  return !first.valid() && !second.valid() &&
         _stricmp(resolvedPath(a).c_str(), resolvedPath(b).c_str()) == 0;
}

#include "runtime/file.h"

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/file_detail.h"

namespace file_detail {
SystemCalls& systemCalls() {
  static SystemCalls calls;
  return calls;
}
}  // namespace file_detail

using file_detail::systemCalls;

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (valid()) CloseHandle(h_);
  }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool close() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h != INVALID_HANDLE_VALUE && CloseHandle(h) != 0;
  }
  void reset(HANDLE h) {
    close();
    h_ = h;
  }

 private:
  HANDLE h_;
};

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

bool writeAll(HANDLE file, std::initializer_list<const ByteBuffer*> buffers) {
  for (const ByteBuffer* buffer : buffers)
    if (buffer && !writeBytes(file, buffer->data(), buffer->size())) return false;
  return true;
}

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

bool isDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

// Copies everything from the start of `from` over `to`, which ends where the copy ends.
bool copyWhole(HANDLE from, HANDLE to) {
  if (SetFilePointer(from, 0, nullptr, FILE_BEGIN) != 0 ||
      SetFilePointer(to, 0, nullptr, FILE_BEGIN) != 0)
    return false;
  std::vector<uint8_t> chunk(1 << 20);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(from, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr))
      return false;
    if (read == 0) break;
    if (!writeBytes(to, chunk.data(), read)) return false;
  }
  return SetEndOfFile(to) && FlushFileBuffers(to);
}

// What a save is about to replace. The name is opened with every link followed, so `path` is
// where the bytes really live; a name that leads through a symbolic link or junction keeps it.
struct Target {
  enum State { kMissing, kReplaceable, kBlocked } state = kBlocked;
  std::string path;
  BY_HANDLE_FILE_INFORMATION info{};
};

std::string finalPath(HANDLE file, const char* fileName) {
  char buffer[MAX_PATH + 8];
  DWORD n = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= sizeof buffer) return fileName;
  std::string path(buffer, n);
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
  if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

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

// A new file beside the target, named after it so a leftover one shows what it belonged to.
HANDLE createBeside(const std::string& path, const char* suffix, std::string& name) {
  static volatile LONG counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = path + suffix + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(InterlockedIncrement(&counter));
    HANDLE h = systemCalls().createFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
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
  return securityOf(target) == securityOf(temp);
}

// The attributes a saved file keeps. A write marks a file for backup, so it is archived too.
DWORD keptAttributes(const Target& target) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  return (target.info.dwFileAttributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
}

enum class Replaced { kYes, kNo, kNotByRename };

// The whole new content goes to a temporary file, which takes the target's place only once it
// is written and flushed, with the target's attributes and creation time.
Replaced replaceByRename(const Target& target, FileHandle& held,
                         std::initializer_list<const ByteBuffer*> buffers) {
  std::string tempName;
  FileHandle temp(createBeside(target.path, ".~tmp", tempName));
  if (!temp.valid()) return isDiskFull(GetLastError()) ? Replaced::kNo : Replaced::kNotByRename;
  const bool existed = target.state == Target::kReplaceable;
  if (existed && !sameSecurity(target.path, tempName)) {
    temp.close();
    DeleteFileA(tempName.c_str());
    return Replaced::kNotByRename;
  }

  bool ok = writeAll(temp.get(), buffers) && FlushFileBuffers(temp.get());
  if (ok && existed) SetFileTime(temp.get(), &target.info.ftCreationTime, nullptr, nullptr);
  ok = temp.close() && ok;
  if (ok && existed) SetFileAttributesA(tempName.c_str(), keptAttributes(target));
  // The target stays held until now, so that nobody opens it while the new bytes are written.
  held.close();
  ok = ok && systemCalls().moveFile(tempName.c_str(), target.path.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(tempName.c_str());
  return ok ? Replaced::kYes : Replaced::kNo;
}

// Writes over the target itself, for when a rename would lose something: the other names of a
// hard-linked file, an owner or access list of its own. The old bytes wait in a copy beside
// the target until the new ones are flushed and are written back if the write fails; where no
// file can be made beside the target, they wait in memory instead.
bool writeInPlace(const Target& target, HANDLE file,
                  std::initializer_list<const ByteBuffer*> buffers) {
  std::string copyName;
  FileHandle copy(createBeside(target.path, ".~old", copyName));
  ByteBuffer oldBytes;
  if (copy.valid()) {
    if (!copyWhole(file, copy.get())) {
      copy.close();
      DeleteFileA(copyName.c_str());
      return false;
    }
  } else if (isDiskFull(GetLastError()) || !readWhole(file, oldBytes)) {
    return false;
  }

  const bool written = SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
                       writeAll(file, buffers) && SetEndOfFile(file) && FlushFileBuffers(file);
  bool restored = written;
  if (!written) {
    restored = copy.valid() ? copyWhole(copy.get(), file)
                            : SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
                                  writeAll(file, {&oldBytes}) && SetEndOfFile(file) &&
                                  FlushFileBuffers(file);
  }
  if (copy.valid()) {
    copy.close();
    if (restored) DeleteFileA(copyName.c_str());
  }
  return written;
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

bool writeFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers) {
  if (!fileName || !*fileName) return false;
  FileHandle held(INVALID_HANDLE_VALUE);
  const Target target = probeTarget(fileName, held);
  if (target.state == Target::kBlocked) return false;
  if (target.state == Target::kReplaceable && target.info.nNumberOfLinks > 1)
    return writeInPlace(target, held.get(), buffers);

  const Replaced replaced = replaceByRename(target, held, buffers);
  if (replaced != Replaced::kNotByRename) return replaced == Replaced::kYes;
  if (!held.valid())
    held.reset(systemCalls().createFile(target.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return held.valid() && writeInPlace(target, held.get(), buffers) && held.close();
}

bool keepPreviousVersion(const char* fileName, const char* previousName, const ByteBuffer& next) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(fileName, GetFileExInfoStandard, &info)) return true;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (info.nFileSizeHigh == 0 && info.nFileSizeLow == next.size()) {
    ByteBuffer old;
    if (tryReadFileBytes(fileName, old) && old.view() == next.view()) return true;
  }
  return MoveFileExA(fileName, previousName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

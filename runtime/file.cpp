#include "runtime/file.h"

#include <windows.h>

#include <string>

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
    return CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

bool writeAll(HANDLE file, std::initializer_list<const ByteBuffer*> buffers) {
  for (const ByteBuffer* buffer : buffers) {
    if (!buffer) continue;
    const uint8_t* bytes = buffer->data();
    DWORD left = buffer->size();
    while (left) {
      DWORD written = 0;
      if (!systemCalls().writeFile(file, bytes, left, &written, nullptr) || written == 0)
        return false;
      bytes += written;
      left -= written;
    }
  }
  return true;
}

enum class Target { kReplaceable, kMissing, kBlocked };

// Renaming over a file can succeed while another program still has it open, so an exclusive
// open decides whether the target may be replaced. The attributes are asked first because
// that open succeeds on read-only files for root under Wine.
Target probeTarget(const char* fileName) {
  DWORD attributes = GetFileAttributesA(fileName);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return Target::kBlocked;
  HANDLE h = systemCalls().createFile(fileName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return Target::kReplaceable;
  }
  return GetLastError() == ERROR_FILE_NOT_FOUND ? Target::kMissing : Target::kBlocked;
}

// A new file beside the target, named after it so a leftover one shows what it belonged to.
HANDLE createTemporary(const char* fileName, std::string& tempName) {
  static volatile LONG counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    tempName = std::string(fileName) + ".~tmp" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(InterlockedIncrement(&counter));
    HANDLE h = systemCalls().createFile(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

bool writeInPlace(const char* fileName, std::initializer_list<const ByteBuffer*> buffers) {
  FileHandle file(systemCalls().createFile(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  bool ok = writeAll(file.get(), buffers);
  return file.close() && ok;
}

}  // namespace

bool tryReadFileBytes(const char* fileName, ByteBuffer& out) {
  out = ByteBuffer();
  if (!fileName || !*fileName) return false;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  FileHandle file(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;

  LONG high = 0;
  DWORD size = SetFilePointer(file.get(), 0, &high, FILE_END);
  if (high != 0 || size >= 0x80000000u) return false;
  if (size == 0) return true;
  if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != 0) return false;

  ByteBuffer bytes = ByteBuffer::allocate(size);
  if (bytes.isNull()) return false;
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), size, &read, nullptr)) return false;
  bytes.shrink(read);
  out = std::move(bytes);
  return true;
}

ByteBuffer readFileBytes(const char* fileName) {
  ByteBuffer bytes;
  tryReadFileBytes(fileName, bytes);
  return bytes;
}

bool writeFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers) {
  if (!fileName || !*fileName) return false;
  if (probeTarget(fileName) == Target::kBlocked) return false;

  std::string tempName;
  FileHandle temp(createTemporary(fileName, tempName));
  if (!temp.valid()) {
    DWORD error = GetLastError();
    // A full disk would fail the in-place write too, after the old bytes are gone.
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return false;
    return writeInPlace(fileName, buffers);
  }

  bool ok = writeAll(temp.get(), buffers) && FlushFileBuffers(temp.get());
  ok = temp.close() && ok;
  ok = ok && probeTarget(fileName) != Target::kBlocked &&
       systemCalls().moveFile(tempName.c_str(), fileName,
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(tempName.c_str());
  return ok;
}

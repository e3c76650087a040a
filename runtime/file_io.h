#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

#include "runtime/byte_buffer.h"
#include "runtime/save_journal.h"

struct SaveOutcome;  // runtime/file.h

// What the file services share among their sources.
namespace file_io {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
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

bool writeBytes(HANDLE file, const uint8_t* bytes, DWORD size);
// Writes the buffers one after the other, passing the point halfway through for `target`.
bool writeAll(HANDLE file, std::initializer_list<const ByteBuffer*> buffers,
              const std::string& target);
// Under Wine a file's descriptor stands for its Unix mode (and shows only part of it).
bool descriptorIsUnixMode();
std::string finalPath(HANDLE file, const char* fileName);
// Where the bytes of `fileName` live, found without opening it for more than its attributes;
// the full name of a missing file.
std::string resolvedPath(const char* fileName);
// `name` in `folder`; "" is the current folder.
std::string inFolder(const std::string& folder, const std::string& name);

// A new file beside `path`, named after it, the process and a counter.
HANDLE createBeside(const std::string& path, save_journal::Leftover kind, std::string& name,
                    DWORD access, SECURITY_ATTRIBUTES* security);

// Writes over the file itself, open in `file`, keeping its old bytes in a journal meanwhile.
SaveOutcome writeInPlace(const std::string& path, const BY_HANDLE_FILE_INFORMATION& info,
                         HANDLE file, std::initializer_list<const ByteBuffer*> buffers);
// Settles the journals that processes which no longer run left for the file at `path` (where
// its bytes live); false when one of them keeps old bytes it could not put back, named in
// `left`.
bool settleJournalsOf(const std::string& path, std::string& left);

}  // namespace file_io

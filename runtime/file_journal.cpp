// Writes in place under a journal, and what a later process does with a journal or temporary
// file that a killed one left.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/file.h"
#include "runtime/file_detail.h"
#include "runtime/file_io.h"
#include "runtime/save_journal.h"

using file_detail::SavePoint;
using file_detail::systemCalls;
using namespace file_io;
using namespace save_journal;

namespace {

constexpr DWORD kChunk = 1 << 20;

// The journal's descriptor: only its owner may read and write it, so the copy of a private file
// is never readable by more people than the file. Outside Wine that is the current user's
// right. Under Wine the descriptor becomes the Unix mode, and a right given to the current user
// is given to its group too; a right given to "owner rights" (S-1-3-4), made the descriptor's
// owner, stays the file owner's alone: the journal gets 0600. (A journal its owner could not
// read would be lost under Wine: no later process but root's could open, rename or delete it.)
class JournalSecurity {
 public:
  JournalSecurity() {
    PSID sid = nullptr;
    if (descriptorIsUnixMode()) {
      DWORD size = sizeof ownerRights_;
      if (!CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, ownerRights_, &size)) return;
      sid = ownerRights_;
    } else {
      HANDLE token;
      if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
      DWORD size = 0;
      GetTokenInformation(token, TokenUser, nullptr, 0, &size);
      user_.resize(size);
      const bool known = size && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
      CloseHandle(token);
      if (!known) return;
      sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    }
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    ok_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
          AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE,
                              sid) &&
          InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
          SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
          (!descriptorIsUnixMode() || SetSecurityDescriptorOwner(&descriptor_, sid, FALSE));
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
  }
  JournalSecurity(const JournalSecurity&) = delete;
  JournalSecurity& operator=(const JournalSecurity&) = delete;
  SECURITY_ATTRIBUTES* attributes() { return ok_ ? &attributes_ : nullptr; }

 private:
  uint8_t ownerRights_[SECURITY_MAX_SID_SIZE];
  std::vector<uint8_t> user_, acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

bool rewind(HANDLE file) {
  LARGE_INTEGER zero{};
  return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
}

bool sizeOf(HANDLE file, uint64_t& size) {
  LARGE_INTEGER n;
  if (!GetFileSizeEx(file, &n)) return false;
  size = static_cast<uint64_t>(n.QuadPart);
  return true;
}

// Reads `size` bytes of `from` from where it stands, hashing them and, unless `to` is null,
// writing them there.
bool pass(HANDLE from, uint64_t size, ContentHash& hash, HANDLE to) {
  std::vector<uint8_t> chunk(static_cast<size_t>(size < kChunk ? size : kChunk));
  while (size) {
    const DWORD want = static_cast<DWORD>(size < kChunk ? size : kChunk);
    DWORD read = 0;
    if (!ReadFile(from, chunk.data(), want, &read, nullptr) || read != want) return false;
    hash.add({chunk.data(), read});
    if (to != nullptr && !writeBytes(to, chunk.data(), read)) return false;
    size -= read;
  }
  return true;
}

// The old bytes and the trailer, on the disk before the file is touched.
bool record(HANDLE file, HANDLE journal, Trailer& trailer) {
  ContentHash old;
  if (!sizeOf(file, trailer.oldSize) || !rewind(file) || !pass(file, trailer.oldSize, old, journal))
    return false;
  trailer.oldHash = old.value();
  const auto bytes = encodeTrailer(trailer);
  return writeBytes(journal, bytes.data(), static_cast<DWORD>(bytes.size())) &&
         FlushFileBuffers(journal);
}

bool putBack(HANDLE journal, HANDLE file, uint64_t size) {
  ContentHash unused;
  return rewind(journal) && rewind(file) && pass(journal, size, unused, file) &&
         SetEndOfFile(file) && FlushFileBuffers(file);
}

// A journal goes through the handle that made or opened it. Should that fail, it stays, and the
// next look finds its file finished or untouched.
void removeJournal(FileHandle& journal, const std::string& name) {
  FILE_DISPOSITION_INFO dispose{TRUE};
  const bool disposed =
      SetFileInformationByHandle(journal.get(), FileDispositionInfo, &dispose, sizeof dispose);
  journal.close();
  if (!disposed) DeleteFileA(name.c_str());
}

uint64_t indexOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Opens a journal that another process left, for reading and deleting.
HANDLE openJournal(const std::string& name) {
  return CreateFileA(name.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool examineJournal(HANDLE journal, Found& found) {
  if (!sizeOf(journal, found.journalSize)) return false;
  if (found.journalSize < kTrailerSize) return true;
  const uint64_t copied = found.journalSize - kTrailerSize;
  ContentHash hash;
  std::array<uint8_t, kTrailerSize> trailer;
  DWORD read = 0;
  if (!rewind(journal) || !pass(journal, copied, hash, nullptr) ||
      !ReadFile(journal, trailer.data(), kTrailerSize, &read, nullptr) || read != kTrailerSize)
    return false;
  found.copiedHash = hash.value();
  found.trailer = decodeTrailer(trailer);
  return true;
}

bool examineFile(HANDLE file, Found& found) {
  BY_HANDLE_FILE_INFORMATION info;
  ContentHash hash;
  if (!GetFileInformationByHandle(file, &info) || !sizeOf(file, found.fileSize) || !rewind(file) ||
      !pass(file, found.fileSize, hash, nullptr))
    return false;
  found.file = FileState::kPresent;
  found.fileHash = hash.value();
  found.sameFile = found.trailer && info.dwVolumeSerialNumber == found.trailer->volume &&
                   indexOf(info) == found.trailer->fileIndex;
  return true;
}

// Finishes or undoes the write that `journalName` belongs to; none when there is nothing to
// tell (the write had not begun, or its file is gone or another one).
std::optional<InterruptedWrite> settle(const std::string& journalName, const std::string& file) {
  const InterruptedWrite kept{InterruptedWrite::kNotUndone, file, journalName};
  FileHandle journal(openJournal(journalName));
  Found found;
  if (!journal.valid() || !examineJournal(journal.get(), found)) return kept;
  FileHandle target(CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (target.valid()) {
    if (!examineFile(target.get(), found)) return kept;
  } else if (const DWORD error = GetLastError();
             error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
    found.file = FileState::kLocked;
  }

  std::optional<InterruptedWrite> told;
  switch (decide(found)) {
    case Decision::kKeep:
      return kept;
    case Decision::kDiscard:
      break;
    case Decision::kFinished:
      told = InterruptedWrite{InterruptedWrite::kFinished, file, {}};
      break;
    case Decision::kUntouched:
      told = InterruptedWrite{InterruptedWrite::kUndone, file, {}};
      break;
    case Decision::kUndo:
      if (!putBack(journal.get(), target.get(), found.trailer->oldSize)) return kept;
      told = InterruptedWrite{InterruptedWrite::kUndone, file, {}};
      break;
  }
  removeJournal(journal, journalName);
  return told;
}

// Whether the process that last wrote a file may still run: one with its id runs and began
// before that write. Ids come round again, and a process begun later did not write it.
bool writerMayRun(uint32_t pid, const FILETIME& lastWrite) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  bool runs = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
  FILETIME created, exited, kernel, user;
  if (runs && GetProcessTimes(process, &created, &exited, &kernel, &user))
    runs = CompareFileTime(&created, &lastWrite) <= 0;
  CloseHandle(process);
  return runs;
}

// Settles the leftovers in `folder` whose names match `pattern` and, unless `file` is empty,
// belong to `file`.
std::vector<InterruptedWrite> sweep(const std::string& folder, const std::string& pattern,
                                    const std::string& file) {
  struct Entry {
    std::string name;
    FILETIME lastWrite;
  };
  std::vector<Entry> entries;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(inFolder(folder, pattern).c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        entries.push_back({data.cFileName, data.ftLastWriteTime});
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }

  std::vector<InterruptedWrite> told;
  for (const Entry& entry : entries) {
    const std::optional<ParsedLeftover> leftover = parseLeftoverName(entry.name);
    if (!leftover || (!file.empty() && _stricmp(leftover->file.c_str(), file.c_str()) != 0) ||
        writerMayRun(leftover->pid, entry.lastWrite))
      continue;
    const std::string path = inFolder(folder, entry.name);
    if (leftover->kind == Leftover::kTemporary) {
      // A new content that never took its file's place; one that cannot go now goes next time.
      DeleteFileA(path.c_str());
    } else if (auto outcome = settle(path, inFolder(folder, leftover->file))) {
      told.push_back(*outcome);
    }
  }
  return told;
}

}  // namespace

namespace file_io {

SaveOutcome writeInPlace(const std::string& path, const BY_HANDLE_FILE_INFORMATION& info,
                         HANDLE file, std::initializer_list<const ByteBuffer*> buffers) {
  SaveOutcome outcome;
  Trailer trailer;
  ContentHash next;
  for (const ByteBuffer* buffer : buffers) {
    if (!buffer) continue;
    next.add({buffer->data(), buffer->size()});
    trailer.newSize += buffer->size();
  }
  trailer.newHash = next.value();
  trailer.volume = info.dwVolumeSerialNumber;
  trailer.fileIndex = indexOf(info);

  JournalSecurity security;
  if (!security.attributes()) return outcome;
  std::string journalName;
  FileHandle journal(createBeside(path, Leftover::kJournal, journalName,
                                  GENERIC_READ | GENERIC_WRITE | DELETE, security.attributes()));
  if (!journal.valid()) return outcome;
  if (!record(file, journal.get(), trailer)) {
    removeJournal(journal, journalName);
    return outcome;
  }

  systemCalls().reached(SavePoint::kBeforeNewBytes, path);
  const bool written =
      rewind(file) && writeAll(file, buffers, path) && SetEndOfFile(file) && FlushFileBuffers(file);
  if (written) {
    systemCalls().reached(SavePoint::kAfterNewBytes, path);
  } else if (!putBack(journal.get(), file, trailer.oldSize)) {
    // The journal is all that holds the old bytes now: it stays, and the caller says where.
    outcome.oldBytesIn = journalName;
    return outcome;
  }
  removeJournal(journal, journalName);
  outcome.written = written;
  return outcome;
}

bool settleJournalsOf(const std::string& path, std::string& left) {
  for (const InterruptedWrite& write : finishInterruptedWritesOf(path.c_str())) {
    if (write.outcome == InterruptedWrite::kNotUndone) {
      left = write.oldBytesIn;
      return false;
    }
  }
  return true;
}

}  // namespace file_io

std::vector<InterruptedWrite> finishInterruptedWrites(const std::string& folder) {
  return sweep(folder, "*.~*", {});
}

std::vector<InterruptedWrite> finishInterruptedWritesOf(const char* fileName) {
  if (!fileName || !*fileName) return {};
  const std::string path = resolvedPath(fileName);
  const std::string folder = folderOf(path);
  const std::string name = path.substr(folder.size());
  return sweep(folder, name + ".~*", name);
}

#include "runtime/file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "runtime/file_detail.h"
#include "tests/support/file_links.h"
#include "tests/win/test_support.h"

namespace {

std::string readRaw(const std::string& fullPath) {
  HANDLE h = CreateFileA(fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD read = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(h);
  return bytes.substr(0, read);
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    dir_ = std::string(base) + "quenlo-file-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++serial);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
  }
  void TearDown() override {
    file_detail::systemCalls() = {};
    for (const std::string& name : listFolder()) {
      std::string p = path(name);
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(p.c_str())) RemoveDirectoryA(p.c_str());
    }
    RemoveDirectoryA(dir_.c_str());
  }

  std::string path(const std::string& name) const { return dir_ + "\\" + name; }

  void writeRaw(const std::string& name, const std::string& bytes) {
    HANDLE h = CreateFileA(path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(written, bytes.size());
  }

  std::string contentOf(const std::string& name) const { return readRaw(path(name)); }

  std::vector<std::string> listFolder() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir_ + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

  HANDLE holdOpen(const std::string& name, DWORD access, DWORD share) {
    return CreateFileA(path(name).c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  std::string dir_;
};

ByteBuffer bytes(std::string_view s) { return ByteBuffer::copyOf(s); }

TEST_F(FileTest, ReadingGivesEveryByteOfTheFile) {
  const std::string data("a\0b\xFF\0", 5);
  writeRaw("data.bin", data);
  EXPECT_EQ(readFileBytes(path("data.bin").c_str()).view(), data);
}

TEST_F(FileTest, ReadingGivesTheEmptyBufferWhenThereIsNothingToRead) {
  EXPECT_TRUE(readFileBytes("").isNull());
  EXPECT_TRUE(readFileBytes(nullptr).isNull());
  EXPECT_TRUE(readFileBytes(path("missing.bin").c_str()).isNull());
  writeRaw("empty.bin", "");
  EXPECT_TRUE(readFileBytes(path("empty.bin").c_str()).isNull());
  ASSERT_TRUE(CreateDirectoryA(path("folder").c_str(), nullptr));
  EXPECT_TRUE(readFileBytes(path("folder").c_str()).isNull());
}

TEST_F(FileTest, ReadingFailsOnlyWhileAnotherHandleMayWrite) {
  writeRaw("shared.bin", "old");
  HANDLE reader = holdOpen("shared.bin", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(readFileBytes(path("shared.bin").c_str()).view(), "old");
  CloseHandle(reader);

  HANDLE writer = holdOpen("shared.bin", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(readFileBytes(path("shared.bin").c_str()).isNull());
  CloseHandle(writer);
}

TEST_F(FileTest, WritingReplacesTheContentAndCreatesMissingFiles) {
  writeRaw("target.bin", "a much longer old content");
  EXPECT_TRUE(writeFileBytes(path("target.bin").c_str(), bytes("new")));
  EXPECT_EQ(contentOf("target.bin"), "new");

  EXPECT_TRUE(writeFileBytes(path("created.bin").c_str(), bytes(std::string_view("x\0y", 3))));
  EXPECT_EQ(contentOf("created.bin"), std::string("x\0y", 3));
  EXPECT_EQ(listFolder(), (std::vector<std::string>{"created.bin", "target.bin"}));
}

TEST_F(FileTest, WritingConcatenatesTheBuffersAndSkipsEmptyOnes) {
  ByteBuffer a = bytes("ab"), none, c = bytes("cd");
  EXPECT_TRUE(writeFileBytes(path("joined.bin").c_str(), {&a, &none, &c, &a}));
  EXPECT_EQ(contentOf("joined.bin"), "abcdab");

  EXPECT_TRUE(writeFileBytes(path("joined.bin").c_str(), {}));
  EXPECT_EQ(contentOf("joined.bin"), "");
  writeRaw("emptied.bin", "old");
  EXPECT_TRUE(writeFileBytes(path("emptied.bin").c_str(), ByteBuffer()));
  EXPECT_EQ(contentOf("emptied.bin"), "");
}

TEST_F(FileTest, WritingRefusesTargetsItMayNotReplace) {
  EXPECT_FALSE(writeFileBytes("", bytes("x")));
  EXPECT_FALSE(writeFileBytes(path("no-such-folder\\f.bin").c_str(), bytes("x")));
  ASSERT_TRUE(CreateDirectoryA(path("folder").c_str(), nullptr));
  EXPECT_FALSE(writeFileBytes(path("folder").c_str(), bytes("x")));

  writeRaw("readonly.bin", "old");
  SetFileAttributesA(path("readonly.bin").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(writeFileBytes(path("readonly.bin").c_str(), bytes("new")));
  EXPECT_EQ(contentOf("readonly.bin"), "old");
  EXPECT_EQ(listFolder(), (std::vector<std::string>{"folder", "readonly.bin"}));
}

TEST_F(FileTest, WritingFailsWhileAnotherHandleHasTheTargetOpen) {
  writeRaw("open.bin", "old");
  for (DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
    HANDLE other =
        holdOpen("open.bin", access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeFileBytes(path("open.bin").c_str(), bytes("new")));
    CloseHandle(other);
    EXPECT_EQ(contentOf("open.bin"), "old");
  }
  EXPECT_EQ(listFolder(), std::vector<std::string>{"open.bin"});
  EXPECT_TRUE(writeFileBytes(path("open.bin").c_str(), bytes("new")));
}

TEST_F(FileTest, RelativeNamesResolveInTheCurrentFolder) {
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  bool written = writeFileBytes("relative.bin", bytes("rel"));
  std::string read(readFileBytes("relative.bin").view());
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(written);
  EXPECT_EQ(read, "rel");
  EXPECT_EQ(contentOf("relative.bin"), "rel");
}

// Injected failures. The hooks see the target through these.
std::string g_target;
std::string g_targetDuringWrite;
DWORD g_writeBudget;

BOOL WINAPI writeThenRunOutOfSpace(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                                   LPOVERLAPPED overlapped) {
  g_targetDuringWrite = readRaw(g_target);
  DWORD part = std::min(size, g_writeBudget);
  g_writeBudget -= part;
  if (part == 0) {
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return WriteFile(file, data, part, written, overlapped);
}

int g_writeCalls;

BOOL WINAPI refuseMove(LPCSTR, LPCSTR, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

HANDLE WINAPI onlyTheTargetMayBeCreated(LPCSTR name, DWORD access, DWORD share,
                                        LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                        DWORD flags, HANDLE templateFile) {
  if (g_target != name) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(name, access, share, security, disposition, flags, templateFile);
}

TEST_F(FileTest, AWriteFailingPartWayKeepsTheOldBytesAndLeavesNoTemporaryFile) {
  writeRaw("target.bin", "old content");
  g_target = path("target.bin");
  g_writeBudget = 5;
  file_detail::systemCalls().writeFile = &writeThenRunOutOfSpace;
  ByteBuffer a = bytes("0123"), b = bytes("4567");
  EXPECT_FALSE(writeFileBytes(g_target.c_str(), {&a, &b}));
  EXPECT_EQ(g_targetDuringWrite, "<missing>") << "nobody may open the target during the write";
  EXPECT_EQ(contentOf("target.bin"), "old content");
  EXPECT_EQ(listFolder(), std::vector<std::string>{"target.bin"});
}

// The rename paths: a new file, and the program's own files.
TEST_F(FileTest, AFailedRenameKeepsTheOldBytesAndLeavesNoTemporaryFile) {
  writeRaw("own.txt", "old content");
  file_detail::systemCalls().moveFile = &refuseMove;
  EXPECT_FALSE(writeFileBytesByRename(path("own.txt").c_str(), bytes("new")));
  EXPECT_FALSE(writeFileBytes(path("new.txt").c_str(), bytes("new")));
  EXPECT_EQ(contentOf("own.txt"), "old content");
  EXPECT_EQ(listFolder(), std::vector<std::string>{"own.txt"})
      << "no temporary file, and no empty file where the new one was to be";
}

HANDLE WINAPI diskFullBesideTheTarget(LPCSTR name, DWORD access, DWORD share,
                                      LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                      DWORD flags, HANDLE templateFile) {
  if (disposition == CREATE_NEW) {
    SetLastError(ERROR_DISK_FULL);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(name, access, share, security, disposition, flags, templateFile);
}

// With no file beside the target there is neither a temporary file nor a journal, and a write
// could not survive a kill: none is made.
TEST_F(FileTest, WithoutRoomBesideTheTargetTheWriteIsRefused) {
  for (auto hook : {&onlyTheTargetMayBeCreated, &diskFullBesideTheTarget}) {
    writeRaw("target.bin", "old content");
    g_target = path("target.bin");
    file_detail::systemCalls().createFile = hook;
    EXPECT_FALSE(writeFileBytes(g_target.c_str(), bytes("new")));
    EXPECT_FALSE(writeFileBytesByRename(g_target.c_str(), bytes("new")));
    EXPECT_EQ(contentOf("target.bin"), "old content");
    EXPECT_EQ(listFolder(), std::vector<std::string>{"target.bin"});
  }
}

// Writes numbered from g_failFrom to g_failTo (from 1) fail with nothing written.
int g_failFrom, g_failTo;
BOOL WINAPI failSomeWrites(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                           LPOVERLAPPED overlapped) {
  ++g_writeCalls;
  if (g_writeCalls >= g_failFrom && g_writeCalls <= g_failTo) {
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return WriteFile(file, data, size, written, overlapped);
}

constexpr uint32_t kEndedPid = 0x7FFFFFFC;

// Leftovers of this process renamed as if the process that made them had ended.
void orphanLeftovers(const std::vector<std::string>& names, const std::string& dir) {
  const std::string mine = std::to_string(GetCurrentProcessId()) + "-";
  for (const std::string& name : names) {
    const size_t at = name.find(mine, name.find(".~"));
    if (name.find(".~") == std::string::npos || at == std::string::npos) continue;
    const std::string orphan =
        name.substr(0, at) + std::to_string(kEndedPid) + "-" + name.substr(at + mine.size());
    EXPECT_TRUE(MoveFileA((dir + "\\" + name).c_str(), (dir + "\\" + orphan).c_str())) << name;
  }
}

// A hard-linked file is written in place: everywhere, not only under Wine.
TEST_F(FileTest, AFailedWriteInPlaceGivesBackTheOldBytesOrKeepsThemInTheJournal) {
  struct Case {
    const char* what;
    int failFrom, failTo;
    bool journalKept;
  };
  // Writes: the journal's copy of the old bytes, its trailer, "0123", "4567", then, after a
  // failure of the new bytes, the old bytes going back.
  const Case cases[] = {
      {"the copy into the journal", 1, 1, false},
      {"the journal's trailer", 2, 2, false},
      {"the new bytes, halfway", 4, 4, false},
      {"the new bytes and their undoing", 4, 99, true},
  };
  ByteBuffer a = bytes("0123"), b = bytes("4567");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeRaw("first.txt", "old content");
    ASSERT_TRUE(CreateHardLinkA(path("second.txt").c_str(), path("first.txt").c_str(), nullptr));
    file_detail::systemCalls().writeFile = &failSomeWrites;
    g_writeCalls = 0;
    g_failFrom = c.failFrom;
    g_failTo = c.failTo;
    const SaveOutcome outcome = saveFileBytes(path("first.txt").c_str(), {&a, &b});
    file_detail::systemCalls() = {};
    EXPECT_FALSE(outcome.written);
    if (!c.journalKept) {
      EXPECT_EQ(outcome.oldBytesIn, "");
      EXPECT_EQ(contentOf("second.txt"), "old content");
      EXPECT_EQ(listFolder(), (std::vector<std::string>{"first.txt", "second.txt"}));
    } else {
      EXPECT_EQ(contentOf("second.txt"), "0123content") << "half new, half old";
      const std::vector<std::string> names = listFolder();
      ASSERT_EQ(names.size(), 3u);
      const std::string& journal = names[1];
      EXPECT_EQ(_stricmp(outcome.oldBytesIn.c_str(), path(journal).c_str()), 0)
          << outcome.oldBytesIn << " names the journal";
      // Once this process has ended, the next look at the file puts them back; a look that
      // cannot keeps the journal.
      orphanLeftovers(names, dir_);
      file_detail::systemCalls().writeFile = &failSomeWrites;
      g_failFrom = 1;
      std::vector<InterruptedWrite> told = finishInterruptedWritesOf(path("first.txt").c_str());
      file_detail::systemCalls() = {};
      ASSERT_EQ(told.size(), 1u);
      EXPECT_EQ(told[0].outcome, InterruptedWrite::kNotUndone);
      EXPECT_EQ(listFolder().size(), 3u);
      told = finishInterruptedWritesOf(path("first.txt").c_str());
      ASSERT_EQ(told.size(), 1u);
      EXPECT_EQ(told[0].outcome, InterruptedWrite::kUndone);
      EXPECT_EQ(contentOf("second.txt"), "old content");
      EXPECT_EQ(listFolder(), (std::vector<std::string>{"first.txt", "second.txt"}));
    }
    DeleteFileA(path("second.txt").c_str());
  }
}

// A kill, as far as the files can tell: the write stops at a point and nothing after it runs.
struct Killed {};
file_detail::SavePoint g_killAt;
void killAt(file_detail::SavePoint point, const std::string&) {
  if (point == g_killAt) throw Killed{};
}

// A journal whose file cannot be looked at waits, and only leftovers of ended processes are
// looked at.
TEST_F(FileTest, ALeftJournalWaitsForItsFileAndForItsProcessToEnd) {
  const ByteBuffer fresh = bytes("new bytes!");
  auto killedInPlace = [&](const char* content) {
    writeRaw("target.txt", content);
    EXPECT_TRUE(CreateHardLinkA(path("other.txt").c_str(), path("target.txt").c_str(), nullptr));
    g_killAt = file_detail::SavePoint::kAmidNewBytes;
    file_detail::systemCalls().reached = &killAt;
    EXPECT_THROW(writeFileBytes(path("target.txt").c_str(), fresh), Killed);
    file_detail::systemCalls() = {};
    DeleteFileA(path("other.txt").c_str());
  };

  // Another program holds the file: the journal waits for the next look.
  killedInPlace("old content");
  orphanLeftovers(listFolder(), dir_);
  HANDLE other = holdOpen("target.txt", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  std::vector<InterruptedWrite> told = finishInterruptedWrites(dir_);
  CloseHandle(other);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].outcome, InterruptedWrite::kNotUndone);
  EXPECT_EQ(listFolder().size(), 2u) << "the journal stays";
  EXPECT_NE(told[0].oldBytesIn.find(".~old"), std::string::npos) << told[0].oldBytesIn;
  told = finishInterruptedWrites(dir_);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].outcome, InterruptedWrite::kUndone);
  EXPECT_EQ(contentOf("target.txt"), "old content");

  // A process that still runs keeps its leftovers; an id that came round again does not.
  killedInPlace("old content");
  const std::string pid = std::to_string(GetCurrentProcessId());
  writeRaw("target.txt.~tmp" + pid + "-99", "a new content on its way");
  writeRaw("stale.txt.~tmp" + pid + "-98", "from before this process began");
  HANDLE stale = holdOpen("stale.txt.~tmp" + pid + "-98", GENERIC_WRITE, 0);
  FILETIME longAgo{0x2a5c4000, 0x01bf5300};  // 2000
  ASSERT_TRUE(SetFileTime(stale, nullptr, nullptr, &longAgo));
  CloseHandle(stale);
  EXPECT_TRUE(finishInterruptedWrites(dir_).empty());
  EXPECT_EQ(contentOf("target.txt"), "new bontent") << "still being written, for all it shows";
  EXPECT_EQ(listFolder().size(), 3u) << "the journal and the temporary file stay";
}

TEST_F(FileTest, TheTargetKeepsItsAttributesAndCreationTime) {
  writeRaw("hidden.txt", "old");
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesA(path("hidden.txt").c_str(), kKept));
  WIN32_FILE_ATTRIBUTE_DATA before, after;
  ASSERT_TRUE(GetFileAttributesExA(path("hidden.txt").c_str(), GetFileExInfoStandard, &before));
  Sleep(20);
  EXPECT_TRUE(writeFileBytes(path("hidden.txt").c_str(), bytes("new")));
  EXPECT_EQ(contentOf("hidden.txt"), "new");
  ASSERT_TRUE(GetFileAttributesExA(path("hidden.txt").c_str(), GetFileExInfoStandard, &after));
  EXPECT_EQ(after.dwFileAttributes & kKept, kKept);
  // Wine keeps no creation time of its own on a Unix file system.
  if (!underWine()) {
    EXPECT_EQ(CompareFileTime(&after.ftCreationTime, &before.ftCreationTime), 0);
  }
}

std::vector<uint8_t> securityOf(const std::string& name) {
  constexpr SECURITY_INFORMATION kParts =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  std::vector<uint8_t> descriptor(4096);
  DWORD needed = 0;
  if (!GetFileSecurityA(name.c_str(), kParts, descriptor.data(),
                        static_cast<DWORD>(descriptor.size()), &needed))
    return {};
  descriptor.resize(needed);
  return descriptor;
}

// Only the current user may write the file, and everyone else may read it or not: descriptors
// no new file in the folder gets.
bool restrict(const std::string& name, bool othersRead) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  uint8_t user[256];
  DWORD size = 0;
  const bool known = GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  CloseHandle(token);
  uint8_t everyone[SECURITY_MAX_SID_SIZE];
  size = sizeof everyone;
  if (!known || !CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size)) return false;
  uint8_t buffer[512];
  auto* acl = reinterpret_cast<ACL*>(buffer);
  SECURITY_DESCRIPTOR descriptor;
  return InitializeAcl(acl, sizeof buffer, ACL_REVISION) &&
         AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_READ | GENERIC_WRITE,
                             reinterpret_cast<TOKEN_USER*>(user)->User.Sid) &&
         (!othersRead || AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_READ, everyone)) &&
         InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
         SetFileSecurityA(name.c_str(),
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                          &descriptor);
}

// Under Wine the descriptor stands for the file's Unix permissions, which Wine cannot always give
// another file: those of a private file set on the host would come out as 0770.
TEST_F(FileTest, TheTargetKeepsItsSecurity) {
  const std::function<bool(const std::string&)> restrictions[] = {
      [](const std::string& p) { return restrict(p, false); },
      [](const std::string& p) { return restrict(p, true); },
      [](const std::string& p) { return !underWine() || setHostPermissions(p, "600"); },
      [](const std::string& p) { return !underWine() || setHostPermissions(p, "640"); },
  };
  for (const auto& restriction : restrictions) {
    SCOPED_TRACE(&restriction - restrictions);
    writeRaw("private.txt", "old");
    ASSERT_TRUE(restriction(path("private.txt")));
    const std::vector<uint8_t> before = securityOf(path("private.txt"));
    ASSERT_FALSE(before.empty());
    EXPECT_TRUE(writeFileBytes(path("private.txt").c_str(), bytes("new")));
    EXPECT_EQ(contentOf("private.txt"), "new");
    EXPECT_EQ(securityOf(path("private.txt")), before);
    EXPECT_EQ(listFolder(), std::vector<std::string>{"private.txt"});
    DeleteFileA(path("private.txt").c_str());
  }
}

TEST_F(FileTest, APreviousVersionIsKeptOnlyWhenTheBytesChange) {
  const std::string file = path("backup.txt"), previous = path("previous.txt");
  EXPECT_TRUE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("first")));
  EXPECT_EQ(listFolder(), std::vector<std::string>{}) << "nothing to keep yet";

  writeRaw("backup.txt", "first");
  EXPECT_TRUE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("first")));
  EXPECT_EQ(contentOf("previous.txt"), "<missing>") << "the same bytes keep nothing";
  EXPECT_TRUE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("other")));
  EXPECT_EQ(contentOf("previous.txt"), "first");
  EXPECT_EQ(contentOf("backup.txt"), "<missing>");

  writeRaw("backup.txt", "seconds");  // same length as the new bytes, other content
  EXPECT_TRUE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("thirdly")));
  EXPECT_EQ(contentOf("previous.txt"), "seconds");

  // A previous version that cannot be replaced, and a file that is a folder, are not kept.
  writeRaw("backup.txt", "fourth");
  ASSERT_TRUE(SetFileAttributesA(previous.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("fifth")));
  ASSERT_TRUE(SetFileAttributesA(previous.c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(DeleteFileA(previous.c_str()));
  ASSERT_TRUE(CreateDirectoryA(previous.c_str(), nullptr));
  EXPECT_FALSE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("fifth")));
  EXPECT_EQ(contentOf("backup.txt"), "fourth");
  ASSERT_TRUE(RemoveDirectoryA(previous.c_str()));
  ASSERT_TRUE(DeleteFileA(file.c_str()));
  ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
  EXPECT_FALSE(keepPreviousVersion(file.c_str(), previous.c_str(), bytes("fifth")));
}

}  // namespace

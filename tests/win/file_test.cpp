#include "runtime/file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/file_detail.h"

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
  EXPECT_EQ(g_targetDuringWrite, "old content");
  EXPECT_EQ(contentOf("target.bin"), "old content");
  EXPECT_EQ(listFolder(), std::vector<std::string>{"target.bin"});
}

TEST_F(FileTest, AFailedReplacementKeepsTheOldBytesAndLeavesNoTemporaryFile) {
  writeRaw("target.bin", "old content");
  file_detail::systemCalls().moveFile = &refuseMove;
  EXPECT_FALSE(writeFileBytes(path("target.bin").c_str(), bytes("new")));
  EXPECT_EQ(contentOf("target.bin"), "old content");
  EXPECT_EQ(listFolder(), std::vector<std::string>{"target.bin"});
}

TEST_F(FileTest, WithoutRoomForATemporaryFileTheTargetIsWrittenInPlace) {
  writeRaw("target.bin", "old content");
  g_target = path("target.bin");
  file_detail::systemCalls().createFile = &onlyTheTargetMayBeCreated;
  ByteBuffer a = bytes("new"), b = bytes("!");
  EXPECT_TRUE(writeFileBytes(g_target.c_str(), {&a, &b}));
  EXPECT_EQ(contentOf("target.bin"), "new!");
  EXPECT_EQ(listFolder(), std::vector<std::string>{"target.bin"});
}

}  // namespace

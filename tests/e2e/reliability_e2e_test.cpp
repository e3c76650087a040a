// The real Quenlo.exe against files that cannot be written or read as usual, and against
// being killed in the middle of a save.
#include <windows.h>
#include <psapi.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"
#include "tests/support/file_links.h"

namespace {

constexpr char kBackup[] = "Quenlo备份.txt";
constexpr char kPreviousBackup[] = "Quenlo备份(上次).txt";
constexpr char kCannotSave[] = "无法保存文件到";
constexpr char kCannotOpen[] = "无法打开文件";
constexpr char kOpened[] = "已打开用户选择文件";

enum MenuPosition { kSaveToCurrentPath = 3, kProtectPath = 29, kUnprotectPath = 30 };

std::vector<std::string> namesIn(const std::wstring& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    char ansi[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    names.push_back(ansi);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring wide(const std::string& ansi) {
  std::wstring out(ansi.size(), L'\0');
  out.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

// Paths past MAX_PATH only work through the wide functions with the \\?\ prefix.
std::wstring longForm(const std::string& path) { return L"\\\\?\\" + wide(path); }

std::vector<std::string> namesIn(const std::string& folder) { return namesIn(longForm(folder)); }

bool writeLong(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  return CloseHandle(h) && ok;
}

std::string readLong(const std::string& path) {
  HANDLE h = CreateFileW(longForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<unreadable>";
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD read = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(h);
  bytes.resize(read);
  return bytes;
}

void removeLong(const std::string& folder) {
  for (const std::string& name : namesIn(folder)) {
    const std::wstring full = longForm(folder + "\\" + name);
    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(full.c_str())) removeLong(folder + "\\" + name);
  }
  RemoveDirectoryW(longForm(folder).c_str());
}

class ReliabilityE2E : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window"; }

  std::string document() { return windowText(app.inputBox()); }
  std::string path() { return windowText(app.pathBox()); }
  bool statusStartsWith(const std::string& text) {
    return waitUntil([&] { return app.status().rfind(text, 0) == 0; }, 30000);
  }
  // Types `more` at the end of the document.
  void append(const std::string& more) {
    app.focus(app.inputBox());
    app.press(VK_END);
    app.key(VK_CONTROL, true);
    app.press(VK_END);
    app.key(VK_CONTROL, false);
    app.type(more);
  }
  // Puts `text` into PathBox by pasting, as a user would while it is unprotected.
  void pastePath(const std::string& text) {
    app.command(kUnprotectPath);
    app.focus(app.pathBox());
    SendMessageA(app.pathBox(), EM_SETSEL, 0, -1);
    app.paste(text);
    waitUntil([&] { return path() == text; });
    app.command(kProtectPath);
  }

  QuenloApp app;
};

// ---- saving ------------------------------------------------------------------------------------

struct SaveFault {
  const char* what;
  // Makes the save fail; returns what undoes it. `folder` holds `target`.
  std::function<std::function<void()>(const std::string& folder, const std::string& target)> apply;
};

std::function<void()> holdOpen(const std::string& target, DWORD access, DWORD share) {
  HANDLE h = CreateFileA(target.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  return [h] { CloseHandle(h); };
}

// Every save here must fail, keep the old bytes and the document, name the path in the status
// and leave no temporary file beside the target or the backup. The backup itself still saves.
TEST_F(ReliabilityE2E, AFailedSaveKeepsTheOldFileTheDocumentAndNoTemporaryFile) {
  const SaveFault faults[] = {
      {"read-only target",
       [](const std::string&, const std::string& target) -> std::function<void()> {
         SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
         return [target] { SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL); };
       }},
      // Wine answers the exclusive open with a sharing violation as Windows does.
      {"held open by another program, no sharing",
       [](const std::string&, const std::string& target) {
         return holdOpen(target, GENERIC_READ | GENERIC_WRITE, 0);
       }},
      // Windows lets a rename replace a file held with delete sharing, so only the exclusive
      // open tells that someone still has it open; Wine refuses that rename (access denied).
      {"held open by a reader that shares everything",
       [](const std::string&, const std::string& target) {
         return holdOpen(target, GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
       }},
      {"folder removed after opening",
       [](const std::string& folder, const std::string& target) -> std::function<void()> {
         EXPECT_TRUE(DeleteFileA(target.c_str()));
         EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
         return [] {};
       }},
  };
  int n = 0;
  for (const SaveFault& fault : faults) {
    SCOPED_TRACE(fault.what);
    const std::string folder = app.elsewhere() + "\\case" + std::to_string(++n);
    const std::string target = folder + "\\target.txt";
    const std::string old = std::string("old bytes ") + std::to_string(n);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(writeFile(target, old));
    ASSERT_TRUE(app.openThroughDialog(target));
    ASSERT_EQ(app.status(), kOpened);
    ASSERT_EQ(_stricmp(path().c_str(), target.c_str()), 0) << path();
    append(" new");
    ASSERT_EQ(document(), old + " new");

    const std::function<void()> undo = fault.apply(folder, target);
    app.ctrlPress('S');
    EXPECT_TRUE(statusStartsWith(kCannotSave)) << app.status();
    EXPECT_EQ(app.status(), kCannotSave + path()) << "only the target failed";
    undo();

    const bool folderKept = GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (folderKept) {
      EXPECT_EQ(readFile(target), old);
      EXPECT_EQ(namesIn(folder), std::vector<std::string>{"target.txt"});
    } else {
      EXPECT_FALSE(fileExists(target)) << "nothing made the folder again";
    }
    EXPECT_EQ(document(), old + " new");
    EXPECT_EQ(readFile(app.inFolder(kBackup)), old + " new");
    std::vector<std::string> names = namesIn(app.folder());
    std::erase(names, kPreviousBackup);  // the backup of the case before
    // The recovery file of the unsaved text, and its temporary file while it is being written.
    std::erase_if(names, [](const std::string& n) { return n.rfind("Quenlo恢复", 0) == 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"Quenlo.exe", kBackup}));
  }
}

// Puts a file's time of last writing `hoursAgo` hours back.
bool writtenHoursAgo(const std::string& file, int hoursAgo) {
  HANDLE h =
      CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= static_cast<ULONGLONG>(hoursAgo) * 3600 * 10000000;
  const FILETIME then{t.LowPart, t.HighPart};
  const bool ok = SetFileTime(h, nullptr, nullptr, &then);
  return CloseHandle(h) && ok;
}

// The backup and its previous version opened and saved as documents, and a previous version that
// cannot be kept: no text the backup held or the user saved is lost, or the status says where
// it went.
TEST_F(ReliabilityE2E, EveryBackupGenerationIsKeptOrTheStatusSaysWhereTheTextWent) {
  const std::string backup = app.inFolder(kBackup), previous = app.inFolder(kPreviousBackup);
  ASSERT_TRUE(writeFile(previous, "TWO SESSIONS AGO"));
  ASSERT_TRUE(writeFile(backup, "LAST SESSION"));
  ASSERT_TRUE(writtenHoursAgo(previous, 2));
  ASSERT_TRUE(writtenHoursAgo(backup, 1));

  // The previous version saved as the document: the backup is not rotated into it.
  ASSERT_TRUE(app.openThroughDialog(previous));
  append(" edited");
  app.ctrlPress('S');
  EXPECT_TRUE(statusStartsWith("用户手动保存文件到")) << app.status();
  EXPECT_EQ(app.status(), "用户手动保存文件到" + path() + "，Quenlo备份.txt未更新，仍是上次的备份");
  EXPECT_EQ(readFile(previous), "TWO SESSIONS AGO edited");
  EXPECT_EQ(readFile(backup), "LAST SESSION");

  // The backup saved as the document: the user's text in the previous version is set aside
  // before the backup's old content takes its place.
  ASSERT_TRUE(app.openThroughDialog(backup));
  append(" more");
  app.ctrlPress('S');
  EXPECT_TRUE(statusStartsWith("用户手动保存文件到")) << app.status();
  EXPECT_EQ(app.status(),
            "用户手动保存文件到" + path() + "，Quenlo备份(上次).txt已改名为Quenlo备份(2).txt");
  EXPECT_EQ(readFile(app.inFolder("Quenlo备份(2).txt")), "TWO SESSIONS AGO edited");
  EXPECT_EQ(readFile(previous), "LAST SESSION");
  EXPECT_EQ(readFile(backup), "LAST SESSION more");

  // A previous version that cannot be replaced: the backup stays, the text goes beside it.
  ASSERT_TRUE(DeleteFileA(previous.c_str()));
  ASSERT_TRUE(CreateDirectoryA(previous.c_str(), nullptr));
  append(" again");
  app.ctrlPress('S');
  EXPECT_TRUE(statusStartsWith("无法保留上次的备份")) << app.status();
  EXPECT_EQ(app.status(), "无法保留上次的备份，内容已另存到Quenlo备份(3).txt");
  EXPECT_EQ(readFile(backup), "LAST SESSION more");
  EXPECT_EQ(readFile(app.inFolder("Quenlo备份(3).txt")), "LAST SESSION more again");
  // Closing with that text adds no file; the next start says where the newest text is.
  EXPECT_EQ(app.close(), 0u);
  ASSERT_TRUE(app.restart());
  EXPECT_EQ(app.status(), "程序已启动，最新的备份在Quenlo备份(3).txt");
  EXPECT_EQ(namesIn(app.folder()),
            (std::vector<std::string>{"Quenlo.exe", "Quenlo备份(2).txt", "Quenlo备份(3).txt",
                                      kPreviousBackup, kBackup}));
  EXPECT_EQ(readFile(backup), "LAST SESSION more");
}

TEST_F(ReliabilityE2E, APathLongerThanMaxPathIsRefusedAndTheFileThereKept) {
  // Three folders of 100 letters: the file really exists, but only for the wide functions.
  std::string folder = app.elsewhere();
  for (char c : {'p', 'q', 'r'}) {
    folder += '\\';
    folder.append(100, c);
    ASSERT_TRUE(CreateDirectoryW(longForm(folder).c_str(), nullptr));
  }
  const std::string target = folder + "\\target.txt";
  ASSERT_GT(target.size(), static_cast<size_t>(MAX_PATH));
  ASSERT_TRUE(writeLong(target, "far away"));

  app.focus(app.inputBox());
  app.type("draft");
  pastePath(target);
  ASSERT_EQ(path(), target);
  app.focus(app.inputBox());
  app.ctrlPress('S');
  EXPECT_TRUE(statusStartsWith(kCannotSave)) << app.status();
  EXPECT_EQ(app.status(), kCannotSave + target);
  EXPECT_EQ(readLong(target), "far away");
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"target.txt"});
  EXPECT_EQ(document(), "draft");
  EXPECT_EQ(readFile(app.inFolder(kBackup)), "draft");
  removeLong(app.elsewhere() + "\\" + std::string(100, 'p'));
}

// ---- opening -----------------------------------------------------------------------------------

// What Windows says the program has used, peak included. Under Wine PrivateUsage stays 0 and
// PeakPagefileUsage is the current value, so the resident peak stands in for the peak there.
struct MemoryUse {
  SIZE_T now = 0;
  SIZE_T peak = 0;
};
MemoryUse memoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m))
    return {};
  return {std::max(m.PrivateUsage, m.PagefileUsage),
          std::max({m.PeakPagefileUsage, m.PeakWorkingSetSize, m.PagefileUsage})};
}

constexpr LONGLONG kTwoGiB = LONGLONG{1} << 31;

// A 2 GiB file that takes no room on the disk. False where the file system cannot do that.
bool makeSparse(const std::string& path, LONGLONG size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  LARGE_INTEGER end;
  end.QuadPart = size;
  bool ok = DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) &&
            SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  ULARGE_INTEGER free{};
  GetDiskFreeSpaceExA(path.substr(0, path.rfind('\\')).c_str(), &free, nullptr, nullptr);
  // Where sparse files are not supported, the size would have been taken from the free space.
  return ok && free.QuadPart > 1u << 30;
}

constexpr char kZeroByte[] = "文件中有零字节，不是文本文件";
constexpr char kNotInGbk[] = "文件中有GBK编码无法表示的字符";
constexpr char kNeither[] = "文件既不是完整的GBK文本，也不是UTF-8文本";
constexpr char kDamagedUtf16[] = "UTF-16文件不完整或已损坏";

struct OpenCase {
  const char* what;
  std::string bytes;
  std::string shown;    // GBK, as the text box shows it
  const char* refusal;  // the reason given instead, or null when the file opens
};

// Whatever is in a file, it either opens as text whose unedited save gives back every byte, or
// it is refused with the reason and the document stays as it was.
TEST_F(ReliabilityE2E, OddFilesOpenAsTextThatSavesBackEveryByteOrAreRefused) {
  using namespace std::string_literals;
  const OpenCase cases[] = {
      {"empty file", "", "", nullptr},
      {"UTF-8 without a byte-order mark", "\xE4\xB8\xAD\r\n\xE6\x96\x87\r\n", "中\r\n文\r\n",
       nullptr},
      {"one Chinese character in UTF-8", "\xE4\xB8\xAD", "中", nullptr},
      {"UTF-8 with a byte-order mark",
       "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87"
       "abc\r\n",
       "中文abc\r\n", nullptr},
      {"UTF-16 LE",
       "\xFF\xFE"
       "a\0b\0\r\0\n\0"s,
       "ab\r\n", nullptr},
      {"UTF-16 BE", "\xFE\xFF\x4E\x2D\x65\x87", "中文", nullptr},
      {"GBK that is not UTF-8", "联通", "联通", nullptr},
      {"GBK that is UTF-8 for a character GBK lacks", "abc职def", "abc职def", nullptr},
      {"GBK that is UTF-8 for Cyrillic letters GBK holds", "谢谢", "谢谢", nullptr},
      {"zero byte inside", "ab\0cd"s, "", kZeroByte},
      {"zero byte first", "\0abc"s, "", kZeroByte},
      {"GBK with a lead byte before a line break", "中\xD6\r\n文", "", kNeither},
      {"GBK cut after a lead byte", "中文\xD6", "", kNeither},
      {"Korean in UTF-16", "\xFF\xFE\x5C\xD5"s, "", kNotInGbk},
      {"UTF-16 cut in a character",
       "\xFF\xFE"
       "a\0b"s,
       "", kDamagedUtf16},
      // Its bytes are also GBK that would survive the text box.
      {"UTF-8 with an emoji", "\xE4\xBD\xA0\xE5\xA5\xBD\xF0\x9F\x98\x80\xE4\xB8\x96\xE7\x95\x8C",
       "", kNotInGbk},
  };
  app.focus(app.inputBox());
  app.type("draft");
  int n = 0;
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string before = document(), beforePath = path();
    const std::string file = app.elsewhere() + "\\open" + std::to_string(++n) + ".txt";
    ASSERT_TRUE(writeFile(file, c.bytes));
    ASSERT_TRUE(app.openThroughDialog(file));
    if (c.refusal) {
      EXPECT_EQ(app.status(), kCannotOpen + file + "：" + c.refusal);
      EXPECT_EQ(document(), before);
      EXPECT_EQ(path(), beforePath);
      EXPECT_EQ(readFile(file), c.bytes);
      continue;
    }
    EXPECT_EQ(app.status(), kOpened);
    EXPECT_EQ(_stricmp(path().c_str(), file.c_str()), 0) << path();
    EXPECT_EQ(document(), c.shown);
    app.focus(app.inputBox());
    app.ctrlPress('S');
    EXPECT_TRUE(statusStartsWith("用户手动保存文件到")) << app.status();
    EXPECT_EQ(readFile(file), c.bytes) << "an unedited save changes no byte";
    EXPECT_EQ(readFile(app.inFolder(kBackup)), document()) << "the backup is the text, in GBK";
  }
}

// A save changes the content of the file the user named and nothing else about it: links,
// other names, attributes and (under Wine) every permission bit stay, and a link that leads
// nowhere yet leads to the saved file afterwards.
TEST_F(ReliabilityE2E, ASaveKeepsLinksOtherNamesAttributesAndPermissions) {
  const std::string real = app.elsewhere() + "\\real.txt", link = app.elsewhere() + "\\link.txt";
  const std::string first = app.elsewhere() + "\\first.txt",
                    second = app.elsewhere() + "\\second.txt";
  const std::string hidden = app.elsewhere() + "\\hidden.txt";
  for (const std::string* file : {&real, &first, &hidden}) ASSERT_TRUE(writeFile(*file, "old"));
  SymbolicLink symbolic(link, real);
  ASSERT_TRUE(symbolic.made());
  ASSERT_TRUE(CreateHardLinkA(second.c_str(), first.c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  struct Permissions {
    const char* file;
    const char* mode;
  };
  const Permissions permissions[] = {
      {"run.sh", "755"}, {"private.txt", "600"}, {"group.txt", "664"}};
  std::vector<std::string> files = {link, first, hidden};
  for (const Permissions& p : permissions) {
    const std::string file = app.elsewhere() + "\\" + p.file;
    ASSERT_TRUE(writeFile(file, "old"));
    if (setHostPermissions(file, p.mode)) files.push_back(file);
  }

  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(app.openThroughDialog(file));
    append("new");
    app.ctrlPress('S');
    EXPECT_TRUE(statusStartsWith("用户手动保存文件到")) << app.status();
  }
  EXPECT_EQ(readFile(real), "oldnew") << "the file the link leads to";
  ASSERT_TRUE(writeFile(real, "changed later"));
  EXPECT_EQ(readFile(link), "changed later") << "the link still leads to it";
  EXPECT_EQ(readFile(second), "oldnew") << "every name of a hard-linked file";
  EXPECT_EQ(readFile(hidden), "oldnew");
  EXPECT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  for (const Permissions& p : permissions) {
    const std::string file = app.elsewhere() + "\\" + p.file;
    EXPECT_EQ(readFile(file), files.size() > 3 ? "oldnew" : "old");
    if (files.size() > 3) {
      EXPECT_EQ(hostPermissions(file), p.mode) << p.file;
    }
  }

  // The link is made to a file that is then removed: the save makes that file again.
  const std::string made = app.elsewhere() + "\\made\\target.txt",
                    dangling = app.elsewhere() + "\\dangling.txt";
  ASSERT_TRUE(CreateDirectoryA((app.elsewhere() + "\\made").c_str(), nullptr));
  ASSERT_TRUE(writeFile(made, "gone"));
  SymbolicLink toMade(dangling, made);
  ASSERT_TRUE(toMade.made());
  ASSERT_TRUE(DeleteFileA(made.c_str()));
  pastePath(dangling);
  app.focus(app.inputBox());
  app.ctrlPress('S');
  EXPECT_TRUE(statusStartsWith("用户手动保存文件到")) << app.status();
  EXPECT_EQ(app.status(), "用户手动保存文件到" + dangling);
  EXPECT_EQ(readFile(made), document());
  ASSERT_TRUE(writeFile(made, "changed later"));
  EXPECT_EQ(readFile(dangling), "changed later") << "the link leads to the file made";

  EXPECT_EQ(
      namesIn(app.elsewhere()),
      (std::vector<std::string>{"dangling.txt", "first.txt", "group.txt", "hidden.txt", "link.txt",
                                "made", "private.txt", "real.txt", "run.sh", "second.txt"}))
      << "no temporary file or copy is left";
  EXPECT_EQ(namesIn(app.elsewhere() + "\\made"), std::vector<std::string>{"target.txt"});
}

// Sparse files, which read as zero bytes: a refusal for them is one made before reading.
TEST_F(ReliabilityE2E, FilesTooLargeAreRefusedWithoutReadingThem) {
  const struct {
    LONGLONG bytes;
    const char* reason;
  } cases[] = {{kTwoGiB, "：文件太大，无法完整打开"},
               {(LONGLONG{32} << 20) + 1, "：文件超过32MB，文本框无法在合理的时间内显示"}};
  const std::string kept = app.elsewhere() + "\\kept.txt";
  ASSERT_TRUE(writeFile(kept, "kept"));
  ASSERT_TRUE(app.openThroughDialog(kept));
  append(" draft");
  for (const auto& c : cases) {
    const std::string huge = app.elsewhere() + "\\huge.txt";
    if (!makeSparse(huge, c.bytes)) GTEST_SKIP() << "no sparse files on this file system";
    const MemoryUse before = memoryOf(app.process());

    ASSERT_TRUE(app.openThroughDialog(huge));
    EXPECT_EQ(app.status(), kCannotOpen + huge + c.reason);
    EXPECT_EQ(document(), "kept draft");
    EXPECT_EQ(_stricmp(path().c_str(), kept.c_str()), 0) << path();
    const MemoryUse after = memoryOf(app.process());
    DeleteFileA(huge.c_str());
    if (before.peak == 0) continue;  // no memory counters for another process
    EXPECT_LT(after.peak, before.peak + (64u << 20))
        << "peak bytes " << before.peak << " -> " << after.peak;
    EXPECT_LT(after.now, before.now + (16u << 20));
  }
}

// ---- killed while saving ------------------------------------------------------------------------

// `lines` numbered lines of about 80 bytes.
std::string manyLines(const char* word, int lines) {
  std::string text;
  text.reserve(static_cast<size_t>(lines) * 80);
  char line[128];
  for (int i = 0; i < lines; ++i) {
    const int n =
        std::snprintf(line, sizeof line,
                      "%s %08d 第%d行 the quick brown fox jumps over the lazy dog\r\n", word, i, i);
    text.append(line, n);
  }
  return text;
}

// Starts a Quenlo that stops for ever where a save of a file named `fileName` reaches `point`
// ("before", "amid" or "after" its new bytes), through a setting only tests use.
class PausingQuenlo {
 public:
  PausingQuenlo(const char* point, const char* fileName) {
    const std::string pause = std::string(point) + ":" + fileName;
    SetEnvironmentVariableA("QUENLO_PAUSE_SAVE", pause.c_str());
    app_.emplace();
    SetEnvironmentVariableA("QUENLO_PAUSE_SAVE", nullptr);
    const std::string name = "QuenloSavePaused" + std::to_string(GetProcessId(app_->process()));
    paused_ = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  }
  ~PausingQuenlo() { CloseHandle(paused_); }
  QuenloApp& app() { return *app_; }
  // Saves the document to `target` with Ctrl+S and kills the program where it stops.
  bool saveAndKill(const std::string& target) {
    QuenloApp& app = *app_;
    app.command(kUnprotectPath);
    app.focus(app.pathBox());
    SendMessageA(app.pathBox(), EM_SETSEL, 0, -1);
    app.paste(target);
    if (!waitUntil([&] { return windowText(app.pathBox()) == target; })) return false;
    app.focus(app.inputBox());
    app.ctrlPress('S');
    if (WaitForSingleObject(paused_, 60000) != WAIT_OBJECT_0) return false;
    TerminateProcess(app.process(), 9);
    return app.waitForExit() == 9;
  }

 private:
  std::optional<QuenloApp> app_;
  HANDLE paused_ = nullptr;
};

// A save written in place keeps the old bytes in a journal, a new file is renamed into place;
// a program killed at any point of either leaves the old or the new bytes whole once it has
// started again (for its own folder) or opened the file (anywhere), and no file of its own.
TEST(ReliabilityKillE2E, AProgramKilledWhileSavingLeavesOldOrNewBytesWholeOnceBackAndNoStrayFile) {
  const std::string old = manyLines("old", 3000), fresh = manyLines("new", 3300);
  struct Case {
    const char* what;
    const char* point;
    bool existing;     // the file was there, and is written in place (under Wine, every such file)
    bool elsewhere;    // not in the program's folder: settled when opened
    bool newBytes;     // what the file holds once settled: the new bytes or what it held before
    const char* told;  // the clause after the start-up or open message
  };
  const Case cases[] = {
      {"in place, before the new bytes", "before", true, false, false,
       "上次中断的保存已撤销：target.txt"},
      {"in place, halfway", "amid", true, false, false, "上次中断的保存已撤销：target.txt"},
      {"in place, after the new bytes", "after", true, false, true,
       "上次中断的保存已完成：target.txt"},
      {"a new file, before the new bytes", "before", false, false, false, ""},
      {"a new file, halfway", "amid", false, false, false, ""},
      {"a new file, after the new bytes", "after", false, false, false, ""},
      {"elsewhere, in place, halfway", "amid", true, true, false, "上次中断的保存已撤销："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PausingQuenlo paused(c.point, "target.txt");
    QuenloApp& app = paused.app();
    ASSERT_TRUE(app.started());
    const std::string folder = c.elsewhere ? app.elsewhere() : app.folder();
    const std::string target = folder + "\\target.txt", source = app.elsewhere() + "\\new.txt";
    if (c.existing) ASSERT_TRUE(writeFile(target, old));
    ASSERT_TRUE(writeFile(source, fresh));
    ASSERT_TRUE(app.openThroughDialog(source, 120000));
    ASSERT_TRUE(paused.saveAndKill(target));
    if (c.existing && std::string(c.point) == "amid") {
      const std::string mix = readFile(target);
      EXPECT_TRUE(mix != old && mix != fresh) << "killed halfway, the file holds a mix";
    }
    for (const std::string& name : namesIn(folder)) {
      if (name.find(".~old") == std::string::npos) continue;
      const std::string mode = hostPermissions(folder + "\\" + name);  // "" outside Wine
      EXPECT_TRUE(mode.empty() || mode == "600") << mode << ": the copy is its owner's only";
    }

    ASSERT_TRUE(app.restart());
    std::string started = "程序已启动";
    if (!c.elsewhere && *c.told) started += std::string("，") + c.told;
    EXPECT_EQ(app.status(), started);
    if (c.elsewhere) {
      ASSERT_TRUE(app.openThroughDialog(target, 120000));
      const std::string opened = std::string("已打开用户选择文件，") + c.told;
      EXPECT_EQ(app.status().rfind(opened, 0), 0u) << app.status();
      EXPECT_EQ(windowText(app.inputBox()).rfind("old 00000000", 0), 0u) << "the old bytes";
    }
    if (c.existing) {
      EXPECT_TRUE(readFile(target) == (c.newBytes ? fresh : old)) << "the file is whole";
    } else {
      EXPECT_FALSE(fileExists(target));
    }
    std::vector<std::string> expected = {c.elsewhere ? "new.txt" : "Quenlo.exe"};
    if (c.existing) expected.push_back("target.txt");
    EXPECT_EQ(namesIn(folder), expected) << "no journal or temporary file is left";
  }
}

}  // namespace

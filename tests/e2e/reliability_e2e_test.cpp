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
    EXPECT_EQ(names, (std::vector<std::string>{"Quenlo.exe", kBackup}));
  }
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

enum class Opens { kShown, kRefused, kEither };

struct OpenCase {
  const char* what;
  std::string bytes;
  Opens opens;
  std::string shown;  // GBK, as the text box shows it
};

// Whatever is in a file, it either opens as text whose unedited save gives back every byte, or
// it is refused with the reason and the document stays as it was.
TEST_F(ReliabilityE2E, OddFilesOpenAsTextThatSavesBackEveryByteOrAreRefused) {
  using namespace std::string_literals;
  const OpenCase cases[] = {
      {"empty file", "", Opens::kShown, ""},
      {"UTF-8 without a byte-order mark", "\xE4\xB8\xAD\r\n\xE6\x96\x87\r\n", Opens::kShown,
       "中\r\n文\r\n"},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87" "abc\r\n",
       Opens::kShown, "中文abc\r\n"},
      {"UTF-16 LE", "\xFF\xFE" "a\0b\0\r\0\n\0"s, Opens::kShown, "ab\r\n"},
      {"UTF-16 BE", "\xFE\xFF\x4E\x2D\x65\x87", Opens::kShown, "中文"},
      {"GBK that is not UTF-8", "联通", Opens::kShown, "联通"},
      {"GBK that is UTF-8 for a character GBK lacks", "abc职def", Opens::kShown, "abc职def"},
      {"zero byte inside", "ab\0cd"s, Opens::kRefused, ""},
      {"zero byte first", "\0abc"s, Opens::kRefused, ""},
      {"GBK with a lead byte before a line break", "中\xD6\r\n文", Opens::kRefused, ""},
      {"GBK cut after a lead byte", "中文\xD6", Opens::kRefused, ""},
      {"Korean in UTF-16", "\xFF\xFE\x5C\xD5"s, Opens::kRefused, ""},
      {"UTF-8 with an emoji", "\xE4\xB8\xAD\xF0\x9F\x98\x80", Opens::kEither, ""},
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
    const bool refused = app.status().rfind(kCannotOpen + file + "：", 0) == 0;
    if (c.opens != Opens::kEither) {
      EXPECT_EQ(refused, c.opens == Opens::kRefused) << app.status();
    }
    if (refused) {
      EXPECT_EQ(document(), before);
      EXPECT_EQ(path(), beforePath);
      EXPECT_EQ(readFile(file), c.bytes);
      continue;
    }
    EXPECT_EQ(app.status(), kOpened);
    EXPECT_EQ(_stricmp(path().c_str(), file.c_str()), 0) << path();
    if (c.opens == Opens::kShown) {
      EXPECT_EQ(document(), c.shown);
    }
    app.focus(app.inputBox());
    app.ctrlPress('S');
    EXPECT_TRUE(statusStartsWith("用户手动保存文件到")) << app.status();
    EXPECT_EQ(readFile(file), c.bytes) << "an unedited save changes no byte";
    EXPECT_EQ(readFile(app.inFolder(kBackup)), document()) << "the backup is the text, in GBK";
  }
}

// A save changes the content of the file the user named and nothing else about it.
TEST_F(ReliabilityE2E, ASaveKeepsLinksOtherNamesAndAttributes) {
  const std::string real = app.elsewhere() + "\\real.txt", link = app.elsewhere() + "\\link.txt";
  const std::string first = app.elsewhere() + "\\first.txt",
                    second = app.elsewhere() + "\\second.txt";
  const std::string hidden = app.elsewhere() + "\\hidden.txt";
  for (const std::string* file : {&real, &first, &hidden}) ASSERT_TRUE(writeFile(*file, "old"));
  SymbolicLink symbolic(link, real);
  ASSERT_TRUE(symbolic.made());
  ASSERT_TRUE(CreateHardLinkA(second.c_str(), first.c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));

  for (const std::string* file : {&link, &first, &hidden}) {
    SCOPED_TRACE(*file);
    ASSERT_TRUE(app.openThroughDialog(*file));
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
  EXPECT_EQ(namesIn(app.elsewhere()),
            (std::vector<std::string>{"first.txt", "hidden.txt", "link.txt", "real.txt",
                                      "second.txt"}))
      << "no temporary file or copy is left";
}

TEST_F(ReliabilityE2E, AFileOfTwoGiBIsRefusedWithoutReadingIt) {
  const std::string huge = app.elsewhere() + "\\huge.txt";
  if (!makeSparse(huge, kTwoGiB)) GTEST_SKIP() << "no sparse files on this file system";
  const std::string kept = app.elsewhere() + "\\kept.txt";
  ASSERT_TRUE(writeFile(kept, "kept"));
  ASSERT_TRUE(app.openThroughDialog(kept));
  append(" draft");
  const MemoryUse before = memoryOf(app.process());

  ASSERT_TRUE(app.openThroughDialog(huge));
  EXPECT_EQ(app.status(), kCannotOpen + huge + "：文件太大，无法完整打开");
  EXPECT_EQ(document(), "kept draft");
  EXPECT_EQ(_stricmp(path().c_str(), kept.c_str()), 0) << path();
  const MemoryUse after = memoryOf(app.process());
  if (before.peak == 0) GTEST_SKIP() << "no memory counters for another process";
  EXPECT_LT(after.peak, before.peak + (64u << 20))
      << "peak bytes " << before.peak << " -> " << after.peak;
  EXPECT_LT(after.now, before.now + (16u << 20));
  DeleteFileA(huge.c_str());
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

double msSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
}

long long sizeOf(const std::string& file) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// Opens `source` in a new Quenlo, points PathBox at `target`, presses Ctrl+S and, after
// `killAfterMs` (or never, when negative), kills the program. Returns, when the save was let
// run, how long it took until the target held the new bytes (its size becomes the source's:
// watched from here, without waiting on the busy program); 0 when the program was killed; -1
// when a step failed.
double saveAndKill(const std::string& source, const std::string& target, double killAfterMs) {
  QuenloApp app;
  if (!app.started()) return -1;
  // Wine's edit control takes about 2 s per megabyte to take the text.
  if (!app.openThroughDialog(source, 120000)) return -1;
  app.command(kUnprotectPath);
  app.focus(app.pathBox());
  SendMessageA(app.pathBox(), EM_SETSEL, 0, -1);
  app.paste(target);
  if (!waitUntil([&] { return windowText(app.pathBox()) == target; })) return -1;
  app.focus(app.inputBox());
  app.key(VK_CONTROL, true);
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  app.key('S', true, false);
  if (killAfterMs >= 0) {
    while (msSince(start) < killAfterMs) SwitchToThread();
    TerminateProcess(app.process(), 9);
    app.key('S', false);  // the keys would stay down for whatever runs next
    app.key(VK_CONTROL, false);
    return app.waitForExit() == 9 ? 0 : -1;
  }
  const long long newSize = sizeOf(source);
  while (sizeOf(target) != newSize && msSince(start) < 120000) SwitchToThread();
  const double replaced = msSince(start);
  app.key('S', false);
  app.key(VK_CONTROL, false);
  if (!waitUntil([&] { return app.status() == "用户手动保存文件到" + target; }, 120000)) return -1;
  return replaced;
}

// A save replaces the target only once the new bytes are all on the disk, so a program killed
// at any moment leaves the old file or the new one, whole. Leftover temporary files are
// allowed; they are named after the target. The kills are spread over the time a save let run
// takes to replace the target. The documents are 4 to 5 MB: a larger one would take most of a
// minute just to open under Wine.
TEST(ReliabilityKillE2E, KillingTheProgramDuringASaveLeavesTheOldOrTheNewFileWhole) {
  const std::string old = manyLines("old", 50000), fresh = manyLines("new", 55000);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = temp + std::string("quenlo-kill-") + std::to_string(GetTickCount());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string source = folder + "\\source.txt", target = folder + "\\target.txt";
  ASSERT_TRUE(writeFile(source, fresh));

  ASSERT_TRUE(writeFile(target, old));
  const double whole = saveAndKill(source, target, -1);
  ASSERT_GT(whole, 0) << "the save let run did not finish";
  ASSERT_TRUE(readFile(target) == fresh) << "the save let run wrote the new bytes";
  ASSERT_EQ(namesIn(folder), (std::vector<std::string>{"source.txt", "target.txt"}));

  // Spread over the save's length, each shifted by up to a tenth of it at random.
  const unsigned seed = GetTickCount();
  srand(seed);
  SCOPED_TRACE("seed " + std::to_string(seed) + ", a whole save " + std::to_string(whole) + " ms");
  int olds = 0, freshes = 0, withLeftovers = 0;
  for (int round = 1; round <= 4; ++round) {
    const double delay =
        whole * (round * 2 - 1) / 8 + (rand() / double(RAND_MAX) - 0.5) * whole / 10;
    SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
    ASSERT_TRUE(writeFile(target, old));
    ASSERT_EQ(saveAndKill(source, target, delay), 0);
    const std::string now = readFile(target);
    const bool isOld = now == old, isFresh = now == fresh;
    EXPECT_TRUE(isOld || isFresh) << now.size() << " bytes: neither the old file nor the new one";
    olds += isOld;
    freshes += isFresh;
    for (const std::string& name : namesIn(folder)) {
      if (name == "source.txt" || name == "target.txt") continue;
      EXPECT_EQ(name.rfind("target.txt.~tmp", 0), 0u) << name;
      DeleteFileA((folder + "\\" + name).c_str());
      ++withLeftovers;
    }
  }
  std::printf("killed during saves: %d old, %d new, %d temporary files left (a save %.1f ms)\n",
              olds, freshes, withLeftovers, whole);
  for (const std::string& name : namesIn(folder)) DeleteFileA((folder + "\\" + name).c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

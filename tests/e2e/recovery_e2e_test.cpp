// The real Quenlo.exe at the end of a Windows session and when it is ended from outside: what
// was typed is in the backup or in a recovery file of its own, and the next start names it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"
#include "tests/support/file_links.h"

namespace {

using Names = std::vector<std::string>;

constexpr char kBackup[] = "Quenlo备份.txt";
constexpr char kPreviousBackup[] = "Quenlo备份(上次).txt";
constexpr char kRecovery[] = "Quenlo恢复.txt";
constexpr char kStarted[] = "程序已启动";

std::string recoveryName(int n) { return "Quenlo恢复(" + std::to_string(n) + ").txt"; }

Names recoveryFiles(const std::string& folder) {
  Names names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\Quenlo恢复*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// Whether `file` comes to hold exactly `text`: a pause of two seconds is enough.
bool comesToHold(const std::string& file, const std::string& text) {
  return waitUntil([&] { return fileExists(file) && readFile(file) == text; }, 15000);
}

// Sends a session message as Windows does, with the log-off flag; the answer.
LRESULT sendSession(HWND window, UINT message, WPARAM wParam) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(window, message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 30000, &answer);
  return static_cast<LRESULT>(answer);
}

TEST(RecoveryE2E, TheEndOfTheSessionKeepsTheTextAsACloseDoes) {
  QuenloApp app;
  ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window";
  ASSERT_TRUE(writeFile(app.inFolder(kBackup), "older"));
  app.focus(app.inputBox());
  const std::string typed = "typed before logoff";
  app.type(typed);
  ASSERT_TRUE(comesToHold(app.inFolder(kRecovery), typed));

  EXPECT_NE(sendSession(app.main(), WM_QUERYENDSESSION, 0), 0) << "nothing refuses the end";
  sendSession(app.main(), WM_ENDSESSION, FALSE);  // another program refused: nothing ends
  EXPECT_EQ(readFile(app.inFolder(kBackup)), "older");
  EXPECT_FALSE(fileExists(app.inFolder(kPreviousBackup)));
  EXPECT_EQ(readFile(app.inFolder(kRecovery)), typed);

  sendSession(app.main(), WM_ENDSESSION, TRUE);
  // Windows ends the process as soon as the message has returned.
  EXPECT_EQ(readFile(app.inFolder(kBackup)), typed);
  EXPECT_EQ(readFile(app.inFolder(kPreviousBackup)), "older");
  EXPECT_FALSE(fileExists(app.inFolder(kRecovery))) << "the clean end removes it";
  EXPECT_TRUE(IsWindowVisible(app.main())) << "the window is not closed";
  TerminateProcess(app.process(), 0);
}

// Typing goes on for 15 s, then pauses, and the process is ended from outside, as by a crash,
// the task manager or a power cut. Two instances start from the folder afterwards.
TEST(RecoveryE2E, TextTypedBeforeTheProcessIsEndedIsNamedAtTheNextStart) {
  QuenloApp first;
  ASSERT_TRUE(first.started()) << "Quenlo.exe did not show its window";
  EXPECT_EQ(first.status(), kStarted);
  const std::string folder = first.folder(), left = first.inFolder(kRecovery);
  first.focus(first.inputBox());
  std::string typed;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 15000;) {
    typed += static_cast<char>('a' + typed.size() % 26);
    first.type(typed.substr(typed.size() - 1));
  }
  ASSERT_TRUE(fileExists(left)) << "written while typing goes on";
  const std::string early = readFile(left);
  EXPECT_FALSE(early.empty());
  EXPECT_EQ(typed.compare(0, early.size(), early), 0) << early;
  ASSERT_TRUE(comesToHold(left, typed));
  TerminateProcess(first.process(), 1);
  ASSERT_EQ(WaitForSingleObject(first.process(), 10000), WAIT_OBJECT_0);
  EXPECT_EQ(readFile(left), typed);

  ASSERT_TRUE(first.restart());
  const std::string notice = std::string(kStarted) + "，上次未正常关闭，未保存的内容在" + kRecovery;
  EXPECT_EQ(first.status(), notice);
  QuenloApp second(folder, first.elsewhere());
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.status(), notice);
  // Side by side, so that a click meant for one window cannot land on the other.
  for (HWND w : {second.main(), first.main()})
    SetWindowPos(w, nullptr, w == first.main() ? GetSystemMetrics(SM_CXSCREEN) - 728 : 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  first.focus(first.inputBox());
  first.type("first session");
  second.focus(second.inputBox());
  second.type("second session");
  ASSERT_EQ(windowText(first.inputBox()), "first session");
  ASSERT_EQ(windowText(second.inputBox()), "second session");
  EXPECT_TRUE(comesToHold(first.inFolder(recoveryName(2)), "first session"));
  EXPECT_TRUE(comesToHold(first.inFolder(recoveryName(3)), "second session"));
  EXPECT_EQ(readFile(left), typed) << "a file no running instance holds is never overwritten";

  EXPECT_EQ(second.close(), 0u);
  EXPECT_EQ(recoveryFiles(folder), (Names{recoveryName(2), kRecovery})) << "only its own goes";
  EXPECT_EQ(first.close(), 0u);
  EXPECT_EQ(recoveryFiles(folder), Names{kRecovery});
  EXPECT_EQ(readFile(left), typed);
}

TEST(RecoveryE2E, AReadOnlyProgramFolderDisturbsNothing) {
  QuenloApp app;
  ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window";
  ReadOnlyFolder readOnly(app.folder());
  if (!readOnly.made()) GTEST_SKIP() << "the host does not let this process mount a folder";
  app.focus(app.inputBox());
  app.type("typed into ");
  Sleep(3000);  // the write after the pause fails
  app.type("a read-only folder");
  Sleep(3000);
  EXPECT_EQ(windowText(app.inputBox()), "typed into a read-only folder");
  EXPECT_EQ(topLevelOf(GetProcessId(app.process()), "#32770", nullptr), nullptr) << "no message";
  EXPECT_EQ(app.status(), "正在输入内容-当前内容未被保存");
  EXPECT_EQ(recoveryFiles(app.folder()), Names{});
  EXPECT_EQ(app.close(), 0u);
  EXPECT_FALSE(fileExists(app.inFolder(kBackup)));
}

}  // namespace

// The real Quenlo.exe at the end of a Windows session and when it is ended from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"
#include "tests/support/file_links.h"

namespace {

constexpr char kBackup[] = "Quenlo备份.txt", kPrevious[] = "Quenlo备份(上次).txt";
const std::string kRecovery = "Quenlo恢复.txt", kSecond = "Quenlo恢复(2).txt",
                  kThird = "Quenlo恢复(3).txt";

// Whether exactly these of the first three recovery files are in the folder.
bool onlyThese(const std::string& folder, std::vector<std::string> names) {
  for (const std::string& name : {kRecovery, kSecond, kThird})
    if (fileExists(folder + "\\" + name) != (std::count(names.begin(), names.end(), name) > 0))
      return false;
  return true;
}

// A pause of two seconds puts the text on disk.
bool comesToHold(const std::string& file, const std::string& text) {
  return waitUntil([&] { return fileExists(file) && readFile(file) == text; }, 15000);
}

void sendSession(HWND window, UINT message, WPARAM wParam) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(window, message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 30000, &answer);
  if (message == WM_QUERYENDSESSION) EXPECT_NE(answer, 0u) << "nothing refuses the end";
}

TEST(RecoveryE2E, TheEndOfTheSessionKeepsTheTextAsACloseDoes) {
  QuenloApp app;
  ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window";
  ASSERT_TRUE(writeFile(app.inFolder(kBackup), "older"));
  app.focus(app.inputBox());
  app.type("typed before logoff");
  ASSERT_TRUE(comesToHold(app.inFolder(kRecovery), "typed before logoff"));
  sendSession(app.main(), WM_QUERYENDSESSION, 0);
  sendSession(app.main(), WM_ENDSESSION, FALSE);  // another program refused: nothing ends
  EXPECT_EQ(readFile(app.inFolder(kBackup)), "older");
  EXPECT_TRUE(onlyThese(app.folder(), {kRecovery}));
  sendSession(app.main(), WM_ENDSESSION, TRUE);
  // Windows ends the process as soon as the message has returned.
  EXPECT_EQ(readFile(app.inFolder(kBackup)), "typed before logoff");
  EXPECT_EQ(readFile(app.inFolder(kPrevious)), "older");
  EXPECT_TRUE(onlyThese(app.folder(), {})) << "the clean end removes it";
  EXPECT_TRUE(IsWindowVisible(app.main())) << "the window is not closed";
}

// Typing goes on for 15 s, pauses, and the process is ended from outside, as by a crash, the
// task manager or a power cut. Then two instances run from the folder at once.
TEST(RecoveryE2E, TextTypedBeforeTheProcessIsEndedIsNamedAtTheNextStart) {
  QuenloApp first;
  ASSERT_TRUE(first.started()) << "Quenlo.exe did not show its window";
  const std::string folder = first.folder(), left = first.inFolder(kRecovery);
  first.focus(first.inputBox());
  std::string typed;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 15000;) {
    typed += static_cast<char>('a' + typed.size() % 26);
    first.type(typed.substr(typed.size() - 1));
  }
  const std::string early = readFile(left);
  EXPECT_TRUE(!early.empty() && typed.compare(0, early.size(), early) == 0) << "written meanwhile";
  // What is on disk is what the box shows; keys still queued land first. A busy machine may
  // give the focus to another program's window meanwhile, which is not this story.
  waitUntil([&] { return windowText(first.inputBox()) == typed; }, 10000);
  const std::string shown = windowText(first.inputBox());
  if (shown != typed)
    std::printf("the box shows %zu of %zu typed keys\n", shown.size(), typed.size());
  ASSERT_TRUE(!shown.empty() && comesToHold(left, shown))
      << readFile(left).size() << " bytes on disk, " << shown.size() << " shown";
  TerminateProcess(first.process(), 1);
  ASSERT_EQ(WaitForSingleObject(first.process(), 10000), WAIT_OBJECT_0);

  ASSERT_TRUE(first.restart());
  QuenloApp second(folder, first.elsewhere());
  ASSERT_TRUE(second.started());
  for (QuenloApp* app : {&first, &second})
    EXPECT_EQ(app->status(), "程序已启动，上次未正常关闭，未保存的内容在" + kRecovery);
  // Side by side, so that a click meant for one window cannot land on the other.
  SetWindowPos(first.main(), nullptr, GetSystemMetrics(SM_CXSCREEN) - 728, 0, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(second.main(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  first.focus(first.inputBox());
  first.type("first session");
  second.focus(second.inputBox());
  second.type("second session");
  EXPECT_TRUE(comesToHold(first.inFolder(kSecond), "first session"));
  EXPECT_TRUE(comesToHold(first.inFolder(kThird), "second session"));
  EXPECT_EQ(second.close(), 0u);
  EXPECT_TRUE(onlyThese(folder, {kRecovery, kSecond})) << "only its own goes";
  EXPECT_EQ(first.close(), 0u);
  EXPECT_TRUE(onlyThese(folder, {kRecovery}));
  EXPECT_EQ(readFile(left), shown) << "a file no running instance holds is never written";
}

// The host mounts the folder over itself read-only, which stops root too. Nothing may be opened
// in it between the two mounts, so a file beside it tells the end.
TEST(RecoveryE2E, AReadOnlyProgramFolderDisturbsNothing) {
  QuenloApp app;
  ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window";
  const std::string host = hostPath(app.folder()), twice = " '" + host + "' '" + host + "'";
  runInHostShell("mount --bind" + twice + " && mount -o remount,ro,bind" + twice + " && touch '" +
                     host + ".ro'",
                 [&] { return fileExists(app.folder() + ".ro"); });
  const std::shared_ptr<void> unmount(nullptr, [&](void*) {
    DeleteFileA((app.folder() + ".ro").c_str());
    runInHostShell("umount '" + host + "'", [&] { return writeFile(app.inFolder("probe"), ""); });
  });
  if (writeFile(app.inFolder("probe"), "")) GTEST_SKIP() << "the host lets no one here mount";
  app.focus(app.inputBox());
  app.type("typed into ");
  Sleep(3000);  // the write after the pause fails
  app.type("a read-only folder");
  Sleep(3000);
  EXPECT_EQ(windowText(app.inputBox()), "typed into a read-only folder");
  EXPECT_EQ(topLevelOf(GetProcessId(app.process()), "#32770", nullptr), nullptr) << "no message";
  EXPECT_EQ(app.status(), "正在输入内容-当前内容未被保存");
  EXPECT_TRUE(onlyThese(app.folder(), {}));
  EXPECT_EQ(app.close(), 0u);
}

}  // namespace

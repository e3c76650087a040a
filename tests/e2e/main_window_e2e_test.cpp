// The real Quenlo.exe, started and used from outside as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/quenlo_app.h"

namespace {

constexpr char kBackup[] = "Quenlo备份.txt";

// Places of menu items in the menu bar; their command ids are 20000 + these.
enum MenuPosition {
  kOpenFile = 1,
  kSaveFile = 2,
  kSaveToCurrentPath = 3,
  kSizeB5 = 8,
  kSizeB10 = 9,
  kSizeB58 = 14,
  kProtectPath = 29,
  kUnprotectPath = 30,
};

// Some Chinese text in GBK, with CR LF line breaks and bytes above 0x7F in both halves.
const std::string kChinese = "第一行：你好，世界\r\nsecond line 二\r\n\r\n末行没有换行";

class MainWindowE2E : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window"; }
  bool statusBecomes(const std::string& text) {
    return waitUntil([&] { return app.status() == text; });
  }
  std::string backup() { return readFile(app.inFolder(kBackup)); }
  QuenloApp app;
};

TEST_F(MainWindowE2E, StartsCentredWithItsControlsAndTheStartMessage) {
  EXPECT_EQ(windowText(app.main()), "Quenlo3.0");
  RECT outer;
  GetWindowRect(app.main(), &outer);
  EXPECT_EQ(outer.right - outer.left, 728);
  EXPECT_EQ(outer.bottom - outer.top, 430);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 728) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 430) / 2);

  ASSERT_NE(app.inputBox(), nullptr);
  ASSERT_NE(app.pathBox(), nullptr);
  ASSERT_NE(app.statusBar(), nullptr);
  const RECT input = rectInParent(app.inputBox());
  EXPECT_EQ(input.left, 0);
  EXPECT_EQ(input.top, 32);
  EXPECT_EQ(input.right - input.left, 728);
  EXPECT_EQ(input.bottom - input.top, 321);
  const RECT path = rectInParent(app.pathBox());
  EXPECT_EQ(path.right - path.left, 728) << "as wide as the window, running past its edge";
  EXPECT_EQ(windowText(app.pathBox()), kBackup);
  EXPECT_TRUE(GetWindowLongA(app.pathBox(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(windowText(app.inputBox()), "");
  EXPECT_EQ(app.status(), "程序已启动");
  EXPECT_FALSE(fileExists(app.inFolder(kBackup))) << "nothing is written before a save or close";
}

TEST_F(MainWindowE2E, CtrlSSavesTheTypedTextIntoTheProgramsFolder) {
  app.focus(app.inputBox());
  app.type("hello 1");
  EXPECT_EQ(windowText(app.inputBox()), "hello 1");
  EXPECT_EQ(app.status(), "正在输入内容-当前内容未被保存");
  app.ctrlPress('S');
  EXPECT_TRUE(statusBecomes(std::string("用户手动保存文件到") + kBackup)) << app.status();
  EXPECT_EQ(backup(), "hello 1");
  EXPECT_FALSE(fileExists(app.elsewhere() + "\\" + kBackup)) << "not in the working folder";
  EXPECT_EQ(windowText(app.inputBox()), "hello 1") << "Ctrl+S types nothing";
}

TEST_F(MainWindowE2E, EscClosesAndTheBackupHoldsTheLinesWithCrLf) {
  app.focus(app.inputBox());
  app.type("one\ntwo\nthree");
  app.press(VK_ESCAPE);
  EXPECT_EQ(app.waitForExit(), 0u);
  EXPECT_EQ(backup(), "one\r\ntwo\r\nthree");
}

// An Esc too many, then a session closed empty: the rescued text is still there, one version back.
TEST_F(MainWindowE2E, TheBackupKeepsItsPreviousVersion) {
  const std::string previous = app.inFolder("Quenlo备份(上次).txt");
  app.focus(app.inputBox());
  app.type("rescued");
  app.press(VK_ESCAPE);
  ASSERT_EQ(app.waitForExit(), 0u);
  EXPECT_FALSE(fileExists(previous)) << "there was no earlier backup";

  ASSERT_TRUE(app.restart());
  EXPECT_EQ(app.close(), 0u);
  EXPECT_EQ(backup(), "");
  EXPECT_EQ(readFile(previous), "rescued");

  ASSERT_TRUE(app.restart());
  app.focus(app.inputBox());
  app.ctrlPress('S');
  EXPECT_TRUE(statusBecomes(std::string("用户手动保存文件到") + kBackup)) << app.status();
  EXPECT_EQ(app.close(), 0u);
  EXPECT_EQ(readFile(previous), "rescued") << "saving the same bytes again keeps the version";
}

TEST_F(MainWindowE2E, ClosingEmptyWritesAnEmptyBackup) {
  EXPECT_EQ(app.close(), 0u);
  ASSERT_TRUE(fileExists(app.inFolder(kBackup)));
  EXPECT_EQ(backup(), "");
}

TEST_F(MainWindowE2E, OpenAndSaveThroughTheFileDialogsKeepEveryByte) {
  const std::string original = app.elsewhere() + "\\中文文档.txt";
  ASSERT_TRUE(writeFile(original, kChinese));
  app.focus(app.inputBox());
  app.ctrlPress('D');
  HWND open = app.waitForDialog();
  ASSERT_NE(open, nullptr) << "Ctrl+D shows the open dialog";
  QuenloApp::confirmFileDialog(open, original);
  ASSERT_TRUE(statusBecomes("已打开用户选择文件")) << app.status();
  EXPECT_EQ(windowText(app.inputBox()), kChinese);
  EXPECT_EQ(_stricmp(windowText(app.pathBox()).c_str(), original.c_str()), 0);

  const std::string copy = app.elsewhere() + "\\副本.txt";
  app.chooseMenu(kSaveFile);
  HWND save = app.waitForDialog();
  ASSERT_NE(save, nullptr);
  QuenloApp::confirmFileDialog(save, copy);
  ASSERT_TRUE(statusBecomes("已保存用户选择文件")) << app.status();
  EXPECT_EQ(readFile(copy), kChinese);
  EXPECT_EQ(_stricmp(windowText(app.pathBox()).c_str(), original.c_str()), 0)
      << "saving under another name keeps the current path";

  app.chooseMenu(kSaveToCurrentPath);
  ASSERT_TRUE(statusBecomes("用户手动保存文件到" + windowText(app.pathBox())));
  EXPECT_EQ(readFile(original), kChinese);
  EXPECT_EQ(backup(), kChinese);
}

TEST_F(MainWindowE2E, ACancelledOpenChangesNothingButTheStatus) {
  app.focus(app.inputBox());
  app.type("keep");
  app.chooseMenu(kOpenFile);
  HWND open = app.waitForDialog();
  ASSERT_NE(open, nullptr);
  PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(statusBecomes("已打开用户选择文件"));
  EXPECT_EQ(windowText(app.inputBox()), "keep");
  EXPECT_EQ(windowText(app.pathBox()), kBackup);
}

TEST_F(MainWindowE2E, AFileThatCannotBeReadLeavesTheDocumentAlone) {
  const std::string locked = app.elsewhere() + "\\locked.txt";
  ASSERT_TRUE(writeFile(locked, "secret"));
  HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  app.focus(app.inputBox());
  app.type("draft");
  app.ctrlPress('D');
  HWND open = app.waitForDialog();
  ASSERT_NE(open, nullptr);
  QuenloApp::confirmFileDialog(open, locked);
  EXPECT_TRUE(waitUntil([&] { return app.status().rfind("无法打开文件", 0) == 0; }))
      << app.status();
  CloseHandle(hold);
  EXPECT_NE(app.status().find("locked.txt"), std::string::npos) << "the message names the file";
  EXPECT_EQ(windowText(app.inputBox()), "draft");
  EXPECT_EQ(windowText(app.pathBox()), kBackup);
}

TEST_F(MainWindowE2E, AFailedSaveIsReportedAndKeepsTheOldFile) {
  const std::string target = app.elsewhere() + "\\target.txt";
  ASSERT_TRUE(writeFile(target, "old bytes"));
  app.focus(app.inputBox());
  app.ctrlPress('D');
  HWND open = app.waitForDialog();
  ASSERT_NE(open, nullptr);
  QuenloApp::confirmFileDialog(open, target);
  ASSERT_TRUE(statusBecomes("已打开用户选择文件"));
  app.focus(app.inputBox());
  app.press(VK_END);
  app.type(" new");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  app.ctrlPress('S');
  EXPECT_TRUE(waitUntil([&] { return app.status().find("无法保存文件到") == 0; })) << app.status();
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(readFile(target), "old bytes");
  EXPECT_EQ(backup(), "old bytes new") << "the backup write still succeeds";
  EXPECT_EQ(windowText(app.inputBox()), "old bytes new") << "the document stays";
}

// Saving under a name chosen in the dialog can fail as well, and says so.
TEST_F(MainWindowE2E, AFailedSaveThroughTheDialogIsReported) {
  const std::string target = app.elsewhere() + "\\read-only.txt";
  ASSERT_TRUE(writeFile(target, "old bytes"));
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  app.focus(app.inputBox());
  app.type("new");
  app.chooseMenu(kSaveFile);
  HWND save = app.waitForDialog();
  ASSERT_NE(save, nullptr);
  QuenloApp::confirmFileDialog(save, target);
  // The file exists: the dialog asks before replacing it.
  HWND ask = nullptr;
  ASSERT_TRUE(waitUntil([&] {
    ask = app.waitForDialog(nullptr, 100);
    return ask && ask != save;
  })) << "no question about replacing the file";
  PostMessageA(ask, WM_COMMAND, IDYES, 0);
  EXPECT_TRUE(statusBecomes("无法保存文件到" + target)) << app.status();
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(readFile(target), "old bytes");
}

TEST_F(MainWindowE2E, PathBoxTakesTypingOnlyWhileUnprotected) {
  app.focus(app.pathBox());
  app.type("x");
  EXPECT_EQ(windowText(app.pathBox()), kBackup) << "protected from the start";

  app.chooseMenu(kUnprotectPath);
  EXPECT_TRUE(statusBecomes("路径框取消保护，现在用户可以编辑"));
  EXPECT_FALSE(GetWindowLongA(app.pathBox(), GWL_STYLE) & ES_READONLY);
  app.focus(app.pathBox());
  SendMessageA(app.pathBox(), EM_SETSEL, 0, -1);
  app.type("a.txt");
  EXPECT_EQ(windowText(app.pathBox()), "a.txt");
  EXPECT_EQ(app.status(), "要保存的位置已改变");

  app.chooseMenu(kProtectPath);
  EXPECT_TRUE(statusBecomes("路径框已被保护，现在用户不可编辑"));
  app.focus(app.pathBox());
  app.type("b");
  EXPECT_EQ(windowText(app.pathBox()), "a.txt");

  // A relative path resolves into the program's folder.
  app.focus(app.inputBox());
  app.type("rel");
  app.ctrlPress('S');
  EXPECT_TRUE(statusBecomes("用户手动保存文件到a.txt"));
  EXPECT_EQ(readFile(app.inFolder("a.txt")), "rel");
}

int shownLineHeight(HWND input) {
  // The first character of the second line; the text starts with "a\r\n".
  auto y = [&](int index) {
    return static_cast<int>(HIWORD(SendMessageA(input, EM_POSFROMCHAR, index, 0)));
  };
  return y(3) - y(0);
}

TEST_F(MainWindowE2E, FontSizeByMenuAndByKeyAndWheel) {
  app.focus(app.inputBox());
  app.type("a\nb");
  app.chooseMenu(kSizeB5);
  EXPECT_EQ(shownLineHeight(app.inputBox()), inputBoxTextSize(5).cy);

  app.focus(app.inputBox());
  app.key(VK_CONTROL, true);
  app.wheel(app.inputBox(), WHEEL_DELTA);
  app.key(VK_CONTROL, false);
  EXPECT_EQ(shownLineHeight(app.inputBox()), inputBoxTextSize(6).cy) << "B5 and one notch away";

  app.wheel(app.inputBox(), WHEEL_DELTA);
  EXPECT_EQ(shownLineHeight(app.inputBox()), inputBoxTextSize(6).cy) << "no key held: no zoom";

  app.chooseMenu(kSizeB58);
  app.focus(app.inputBox());
  app.key(VK_SHIFT, true);
  app.wheel(app.inputBox(), -3 * WHEEL_DELTA);
  app.key(VK_SHIFT, false);
  EXPECT_EQ(shownLineHeight(app.inputBox()), inputBoxTextSize(55).cy) << "any key held zooms";
  EXPECT_EQ(windowText(app.inputBox()), "a\r\nb") << "zooming types nothing";
}

// Ctrl+D opens the dialog while Ctrl is still down, and the key-ups go to the dialog.
TEST_F(MainWindowE2E, AKeyReleasedUnderTheOpenDialogLeavesTheWheelAlone) {
  const std::string doc = app.elsewhere() + "\\two lines.txt";
  ASSERT_TRUE(writeFile(doc, "a\r\nb"));
  app.focus(app.inputBox());
  app.key(VK_CONTROL, true);
  app.key('D', true);
  HWND open = app.waitForDialog();
  ASSERT_NE(open, nullptr);
  app.key('D', false);
  app.key(VK_CONTROL, false);
  HWND name = GetDlgItem(open, 0x47C);        // cmb13
  if (!name) name = GetDlgItem(open, 0x480);  // edt1 in Wine's dialog
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(doc.c_str()));
  // A click that arrives while the dialog is still being laid out may be lost.
  for (int attempt = 0; attempt < 5 && IsWindow(open); ++attempt) {
    RECT ok;
    GetWindowRect(GetDlgItem(open, IDOK), &ok);
    clickAt((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    waitUntil([&] { return !IsWindow(open); }, 2000);
  }
  ASSERT_TRUE(statusBecomes("已打开用户选择文件")) << app.status();
  const int before = shownLineHeight(app.inputBox());
  app.focus(app.inputBox());
  app.wheel(app.inputBox(), WHEEL_DELTA);
  ASSERT_TRUE(app.sync());
  EXPECT_EQ(shownLineHeight(app.inputBox()), before) << "no key held: no zoom";
}

TEST_F(MainWindowE2E, ResizingStretchesTheTextArea) {
  SetWindowPos(app.main(), nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(waitUntil([&] {
    const RECT input = rectInParent(app.inputBox());
    return input.right - input.left == 1000 && input.bottom - input.top == 491;
  })) << "InputBox follows the window";
  const RECT path = rectInParent(app.pathBox());
  EXPECT_EQ(path.right - path.left, 1000);
  RECT client, bar;
  GetClientRect(app.main(), &client);
  bar = rectInParent(app.statusBar());
  EXPECT_EQ(bar.bottom, client.bottom) << "the status bar stays docked at the bottom";
  EXPECT_EQ(bar.right - bar.left, client.right);
}

}  // namespace

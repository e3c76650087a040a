// The real Quenlo.exe opening files at the limits: one just too large to open whole, one that
// takes the text box seconds, and a long text that another program sends the text box.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/quenlo_app.h"

namespace {

constexpr char kOpening[] = "正在打开文件…";
constexpr char kOpened[] = "已打开用户选择文件";
constexpr char kTooLarge[] = "：文件太大，无法完整打开";

// The whole text of a window of another process (windowText reads at most 64 KB), or
// "<no answer>" when it does not answer within `ms`.
std::string wholeText(HWND window, UINT ms = 60000) {
  DWORD_PTR length = 0, copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, ms, &length))
    return "<no answer>";
  std::string text(length + 1, '\0');
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, ms, &copied))
    return "<no answer>";
  text.resize(copied);
  return text;
}

// Numbered CR LF lines of Chinese and ASCII, filled up to `bytes` with ASCII.
std::string linesOf(size_t bytes) {
  std::string text;
  text.reserve(bytes);
  char line[96];
  for (int i = 0;; ++i) {
    const int n = std::snprintf(line, sizeof line, "%07d 第%d行 some words 一些文字\r\n", i, i);
    if (text.size() + n > bytes) break;
    text.append(line, n);
  }
  text.resize(bytes, 'x');
  return text;
}

bool alive(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

// Lowers the largest file that opens, for the program started after it (it inherits the
// environment), and lifts it again.
struct OpenLimit {
  explicit OpenLimit(size_t bytes) {
    SetEnvironmentVariableA("QUENLO_TEST_OPEN_LIMIT", std::to_string(bytes).c_str());
  }
  ~OpenLimit() { SetEnvironmentVariableA("QUENLO_TEST_OPEN_LIMIT", nullptr); }
};

constexpr size_t kLimit = 100000;

class OpenE2E : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window"; }
  std::string path() { return windowText(app.pathBox()); }
  OpenLimit limit{kLimit};
  QuenloApp app;
};

TEST_F(OpenE2E, AFileJustAboveTheLargestThatOpensIsRefusedAndTheDocumentKept) {
  const std::string largest = app.elsewhere() + "\\largest.txt";
  const std::string above = app.elsewhere() + "\\above.txt";
  const std::string text = linesOf(kLimit);
  ASSERT_TRUE(writeFile(largest, text));
  ASSERT_TRUE(writeFile(above, linesOf(kLimit + 1)));

  ASSERT_TRUE(app.openThroughDialog(largest));
  ASSERT_EQ(app.status(), kOpened);
  ASSERT_TRUE(wholeText(app.inputBox()) == text);

  ASSERT_TRUE(app.openThroughDialog(above));
  EXPECT_EQ(app.status(), "无法打开文件" + above + kTooLarge);
  EXPECT_TRUE(wholeText(app.inputBox()) == text);
  EXPECT_EQ(_stricmp(path().c_str(), largest.c_str()), 0) << path();
  app.focus(app.inputBox());
  app.ctrlPress('S');
  EXPECT_TRUE(waitUntil([&] { return app.status() == "用户手动保存文件到" + path(); }))
      << app.status();
  EXPECT_TRUE(readFile(largest) == text) << "the kept document saves to its own file";
  EXPECT_EQ(readFile(above).size(), kLimit + 1);
}

// From the moment the file is chosen the status says the program is working and PathBox shows
// the new path; the program answers another program's WM_NULL all along.
TEST(LongOpenE2E, SaysItIsWorkingShowsThePathAndAnswersAllAlong) {
  QuenloApp app;
  ASSERT_TRUE(app.started());
  const std::string file = app.elsewhere() + "\\long.txt";
  // Large enough to take seconds: the box's own line breaking loads faster than the default.
  const std::string text = linesOf(6 << 20);
  ASSERT_TRUE(writeFile(file, text));
  app.chooseMenu(1);
  HWND dialog = app.waitForDialog();
  ASSERT_NE(dialog, nullptr);
  QuenloApp::confirmFileDialog(dialog, file);

  bool sawPathWhileWorking = false;
  int answers = 0, answersWhileWorking = 0;
  const DWORD start = GetTickCount();
  for (std::string status; status != kOpened && GetTickCount() - start < 600000; Sleep(20)) {
    // Windows calls a window that has not answered for 5 s not responding; this one answers
    // within a second on a quiet machine.
    DWORD_PTR result;
    ASSERT_TRUE(SendMessageTimeoutA(app.main(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result))
        << "no answer after " << answers << " answers";
    ++answers;
    status = wholeText(app.statusBar(), 5000);
    if (status == kOpening) {
      ++answersWhileWorking;
      sawPathWhileWorking = sawPathWhileWorking ||
                            _stricmp(wholeText(app.pathBox(), 5000).c_str(), file.c_str()) == 0;
    }
  }
  ASSERT_EQ(app.status(), kOpened);
  EXPECT_TRUE(sawPathWhileWorking);
  // The box takes a megabyte in a quarter of a second at best: a load in one piece answers
  // once at most before it, a load in pieces all along.
  EXPECT_GE(answersWhileWorking, 3) << "answers while the text went in";
  EXPECT_TRUE(wholeText(app.inputBox()) == text);
}

// Wine fails to hand over a text of a megabyte or more sent from another process (Windows
// does not): its GetMessage returns -1, which the program once took for WM_QUIT and ended,
// unsaved text and all. Either way the program goes on with a whole text, and its close saves
// it.
TEST_F(OpenE2E, ALongTextSentByAnotherProgramEndsNothing) {
  app.focus(app.inputBox());
  app.type("draft");
  for (size_t size : {size_t{1} << 20, size_t{2} << 20}) {
    SCOPED_TRACE(size);
    const std::string before = wholeText(app.inputBox());
    const std::string sent = linesOf(size);
    DWORD_PTR result;
    SendMessageTimeoutA(app.inputBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sent.c_str()),
                        SMTO_NORMAL, 5000, &result);
    ASSERT_TRUE(alive(app.process())) << "the program ended";
    ASSERT_TRUE(app.sync(60000));
    const std::string now = wholeText(app.inputBox());
    EXPECT_TRUE(now == before || now == sent) << now.size() << " bytes";
  }
  const std::string last = wholeText(app.inputBox());
  EXPECT_EQ(app.close(), 0u);
  EXPECT_TRUE(readFile(app.inFolder("Quenlo备份.txt")) == last);
}

}  // namespace

// The real Quenlo.exe and long texts: a long text that another program sends the text box.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/e2e/quenlo_app.h"

namespace {

// The whole text of a control of another process (windowText reads at most 64 KB).
std::string wholeText(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 60000, &length))
    return "<no answer>";
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_NORMAL, 60000, &copied);
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

class OpenE2E : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.started()) << "Quenlo.exe did not show its window"; }
  QuenloApp app;
};

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

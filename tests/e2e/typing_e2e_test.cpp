// A large document typed into in the real Quenlo.exe, and wrapped where Chinese readers expect.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"
#include "ui/components/edit_box/word_break.h"

namespace {

// Paragraphs of 3 to 12 sentences of Chinese and ASCII with punctuation, CR LF, `size` bytes
// or a little more.
std::string document(size_t size) {
  const char* sentences[] = {
      "他说：“你好，世界！”",    "Quenlo 是一个文本编辑器，",
      "it wraps long lines, ",   "（括号里的话）",
      "数字 2048 和 x86_64；",   "末尾还有一句。",
      "another sentence here. ", "《书名》、「引号」和『双引号』？",
  };
  std::string text;
  for (unsigned n = 0; text.size() < size; ++n) {
    for (unsigned i = 0; i < 3 + n % 10; ++i) text += sentences[(n * 7 + i * 3) % 8];
    text += "\r\n";
  }
  return text;
}

// Where each character of a GBK text begins, and its end.
std::vector<size_t> characterStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t at = 0; at < text.size();) {
    starts.push_back(at);
    at += static_cast<uint8_t>(text[at]) >= 0x81 && at + 1 < text.size() ? 2 : 1;
  }
  starts.push_back(text.size());
  return starts;
}

// The end of the text as the box counts: characters (Wine) or bytes (Windows).
size_t textEnd(HWND box) {
  const LRESULT last =
      SendMessageA(box, EM_LINEINDEX, SendMessageA(box, EM_GETLINECOUNT, 0, 0) - 1, 0);
  return static_cast<size_t>(last + SendMessageA(box, EM_LINELENGTH, last, 0));
}

std::string boxText(HWND box) {
  std::string text(static_cast<size_t>(SendMessageA(box, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  LRESULT n = SendMessageA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

void typeCharacter(wchar_t c) {
  INPUT keys[2] = {};
  for (INPUT& in : keys) {
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = c;
    in.ki.dwFlags = KEYEVENTF_UNICODE;
  }
  keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

TEST(TypingE2E, AMegabyteDocumentTakesTypingAndWrapsWhereChineseReadersExpect) {
  QuenloApp app;
  ASSERT_TRUE(app.started());
  const std::string original = document(1 << 20);
  const std::string path = app.elsewhere() + "\\大文档.txt";
  ASSERT_TRUE(writeFile(path, original));
  ASSERT_TRUE(app.openThroughDialog(path, 300000));
  HWND box = app.inputBox();
  ASSERT_EQ(boxText(box), original);
  EXPECT_NE(SendMessageA(box, EM_GETWORDBREAKPROC, 0, 0), 0) << "the box breaks its own lines";

  // "ok中" typed near the end, in the middle and near the top.
  std::vector<size_t> starts = characterStarts(original);
  const bool inCharacters = textEnd(box) == starts.size() - 1;
  std::string expected = original;
  app.focus(box);
  for (size_t character : {starts.size() - 3, starts.size() / 2, size_t{10}}) {
    const size_t position = inCharacters ? character : starts[character];
    SendMessageA(box, EM_SETSEL, position, position);
    app.type("ok");
    typeCharacter(L'中');
    expected.insert(starts[character], "ok中");
    // Input comes after sent messages: wait for the text before the caret moves again.
    ASSERT_TRUE(waitUntil([&] {
      return SendMessageA(box, WM_GETTEXTLENGTH, 0, 0) == static_cast<LRESULT>(expected.size());
    }));
  }
  ASSERT_EQ(boxText(box), expected);

  // Every line that wrapped begins where a line may begin.
  starts = characterStarts(expected);
  const auto lines = static_cast<int>(SendMessageA(box, EM_GETLINECOUNT, 0, 0));
  int wrapped = 0, misplaced = 0;
  std::string examples;
  for (int line = 1; line < lines; ++line) {
    const auto index = static_cast<size_t>(SendMessageA(box, EM_LINEINDEX, line, 0));
    const size_t at = inCharacters ? starts.at(index) : index;
    if (expected[at - 1] == '\n') continue;
    ++wrapped;
    if (lineMayStartAt(expected, at)) continue;
    if (++misplaced <= 3) examples += " [" + expected.substr(at < 8 ? 0 : at - 8, 16) + "]";
  }
  EXPECT_GT(wrapped, std::count(expected.begin(), expected.end(), '\n')) << "lines wrap";
  EXPECT_EQ(misplaced, 0) << "of " << wrapped << " wrapped lines; at" << examples;
  EXPECT_EQ(textEnd(box), inCharacters ? starts.size() - 1 : expected.size())
      << "the lines cover the whole text";
}

}  // namespace

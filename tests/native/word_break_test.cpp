#include "ui/components/edit_box/word_break.h"

#include "tests/support/iconv_code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool leadByte(char c) { return static_cast<uint8_t>(c) >= 0x81 && static_cast<uint8_t>(c) <= 0xFE; }

// "中|文" marks with '|' the places where a line may begin: the text without the marks, and
// their byte positions.
std::pair<std::string, std::vector<size_t>> unmark(const std::string& marked) {
  std::string text;
  std::vector<size_t> starts;
  for (size_t i = 0; i < marked.size(); ++i) {
    if (marked[i] == '|') {
      starts.push_back(text.size());
    } else {
      text += marked[i];
      if (leadByte(marked[i]) && i + 1 < marked.size()) text += marked[++i];
    }
  }
  return {text, starts};
}

TEST(WordBreak, WhereALineMayBegin) {
  const char* rows[] = {
      "中|文|字|符",
      "hello |world |again",
      "中|文|abc|中|文",
      "中|文，|中|文。",
      "他|说：|“你|好！”|再|见",
      "中|（括|号）|中",
      "中|文,|中",
      "word, |next. |(paren) |[x] |<y>",
      "中　|中",
      "丂|乕|乚|亄|亇",  // trail bytes 0x40 0x5B 0x5D 0x7B 0x7D: '@' '[' ']' '{' '}'
      "tab\t|cr\r\n|lf",
      "ab\x81",  // a lone lead byte at the end
  };
  for (const char* row : rows) {
    auto [text, expected] = unmark(row);
    std::vector<size_t> found;
    for (size_t at = 0; at <= text.size(); ++at)
      if (lineMayStartAt(text, at)) found.push_back(at);
    EXPECT_EQ(expected, found) << row;
  }
}

constexpr bool kChars = true, kBytes = false;
constexpr auto kWrap = WordBreakUse::kWrap;
constexpr auto kCaret = WordBreakUse::kCaretMove;
constexpr auto kWord = WordBreakUse::kSelectWord;

TEST(WordBreak, AnswersToTheControl) {
  struct Row {
    const char* text;
    int index, action;
    bool inCharacters;
    WordBreakUse use;
    int expected;
  };
  const Row rows[] = {
      // Wrapping: the last start at or before the index, never inside a character.
      {"中文字符", 2, kWordLeft, kChars, kWrap, 2},
      {"中文字符", 4, kWordLeft, kBytes, kWrap, 4},
      {"中文字符", 3, kWordLeft, kBytes, kWrap, 2},
      {"中文，字", 3, kWordLeft, kChars, kWrap, 3},
      {"中文，字", 2, kWordLeft, kChars, kWrap, 1},  // "文，" go down together
      {"中文abc中文", 5, kWordLeft, kChars, kWrap, 5},
      {"中文abc中文", 4, kWordLeft, kChars, kWrap, 2},
      {"中文abc中文", 9, kWordLeft, kBytes, kWrap, 9},
      {"hello world", 8, kWordLeft, kChars, kWrap, 6},
      {"helloworld", 6, kWordLeft, kChars, kWrap, 0},  // a long word: the control breaks it
      // Ctrl+Left moves; a double click takes the word at the caret.
      {"中文字", 2, kWordLeft, kChars, kCaret, 1},
      {"hello world", 6, kWordLeft, kChars, kCaret, 0},
      {"hello world", 8, kWordLeft, kChars, kCaret, 6},
      {"hello world", 6, kWordLeft, kChars, kWord, 6},
      {"hello world", 6, kWordRight, kChars, kWord, 11},
      {"hello world", 2, kWordRight, kChars, kWord, 6},
      {"中文字", 1, kWordRight, kChars, kWord, 2},
      {"中文字", 1, kWordRight, kChars, kCaret, 1},
      {"中文字", 3, kWordRight, kBytes, kCaret, 4},
      {"hello world", 1, kWordRight, kChars, kCaret, 6},
      {"hello world", 7, kWordRight, kChars, kCaret, 11},
      {"a b", 1, kWordIsDelimiter, kChars, kWrap, 1},
      {"a b", 0, kWordIsDelimiter, kChars, kWrap, 0},
      {"中　中", 1, kWordIsDelimiter, kChars, kWrap, 1},
      {"中　中", 2, kWordIsDelimiter, kBytes, kWrap, 1},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.expected, answerWordBreak(r.text, r.index, r.action, r.inCharacters, r.use))
        << r.text << " index " << r.index << " action " << r.action
        << (r.inCharacters ? " in characters" : " in bytes") << " use " << static_cast<int>(r.use);
  }
  struct Utf16Row {
    const char16_t* text;
    int index, action;
    WordBreakUse use;
    int expected;
  };
  const Utf16Row utf16Rows[] = {
      {u"中文，字", 3, kWordLeft, kWrap, 3},
      {u"中文，字", 2, kWordLeft, kWrap, 1},
      {u"中文abc中文", 4, kWordLeft, kWrap, 2},
      {u"中\U00020000字", 2, kWordLeft, kWrap, 1},  // inside a surrogate pair
      {u"中\U00020000字", 2, kWordRight, kCaret, 3},
      {u"hello world", 1, kWordRight, kCaret, 6},
      {u"中　中", 1, kWordIsDelimiter, kWrap, 1},
  };
  for (const Utf16Row& r : utf16Rows) {
    EXPECT_EQ(r.expected, answerWordBreak(r.text, r.index, r.action, r.use))
        << "UTF-16 row, index " << r.index << " action " << r.action;
  }
}

// A control that counts bytes may hand over the whole text and an index deep inside it: the
// answers read only near the index and must agree with reading from the start, which is what
// the answers in characters do, and with the same text in UTF-16.
TEST(WordBreak, BytesAndCharactersAgreeInALongText) {
  std::vector<std::string> characters;
  const std::string pieces[] = {"丂", "乕", " ",  "w", "o", "r", "d", "，", "（", "中",
                                "文", "）", "亇", "@", "[", "x", "]", "　", "字"};
  for (int i = 0; i < 400; ++i) characters.push_back(pieces[(i * 7 + i / 19) % 19]);
  for (int i = 0; i < 300; ++i) characters.push_back("中");  // a long run of lead-range bytes
  std::string text;
  std::vector<int> byteOffset;
  for (const auto& c : characters) byteOffset.push_back(static_cast<int>(text.size())), text += c;
  byteOffset.push_back(static_cast<int>(text.size()));
  const std::u16string utf16 = IconvCodePage().toUnicode(text);
  ASSERT_EQ(utf16.size(), characters.size());
  for (int index = 0; index < static_cast<int>(characters.size()); index += 3) {
    for (int action : {kWordLeft, kWordRight, kWordIsDelimiter}) {
      for (WordBreakUse use : {kWrap, kCaret, kWord}) {
        int inCharacters = answerWordBreak(text, index, action, kChars, use);
        int inBytes = answerWordBreak(text, byteOffset[index], action, kBytes, use);
        EXPECT_EQ(action == kWordIsDelimiter ? inCharacters : byteOffset[inCharacters], inBytes)
            << "index " << index << " action " << action << " use " << static_cast<int>(use);
        EXPECT_EQ(inCharacters, answerWordBreak(utf16, index, action, use))
            << "UTF-16, index " << index << " action " << action;
      }
    }
  }
}

}  // namespace

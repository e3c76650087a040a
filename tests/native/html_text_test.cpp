#include "ui/components/drop_target/html_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(Utf8ToUtf16, DecodesEveryLength) {
  EXPECT_EQ(utf8ToUtf16("abc"), u"abc");
  EXPECT_EQ(utf8ToUtf16("\xC3\xA9"), u"\u00E9");
  // Narrow literals are compiled to GBK, so UTF-8 input is spelt out in bytes.
  EXPECT_EQ(utf8ToUtf16("\xE4\xB8\xAD\xE6\x96\x87"), u"中文");
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(utf8ToUtf16("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
  EXPECT_EQ(utf8ToUtf16(""), u"");
}

TEST(Utf8ToUtf16, ReplacesMalformedSequences) {
  struct Case {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"\x80", u"\uFFFD"},                                // stray trail byte
      {"a\xC3", u"a\uFFFD"},                              // truncated at the end
      {"\xE4\xB8x", u"\uFFFDx"},                          // truncated before an ASCII byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong "/"
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xFF\xFE", u"\uFFFD\uFFFD"},
      {"\xF0\x9F\x98", u"\uFFFD"},        // one maximal prefix, one replacement
      {"\xC3\xC3\xA9", u"\uFFFD\u00E9"},  // the breaking byte starts anew
  };
  for (const auto& c : cases) EXPECT_EQ(utf8ToUtf16(c.in), c.out) << c.in;
}

TEST(HtmlToUtf16, NoBreakSpacesBecomeSpaces) {
  EXPECT_EQ(htmlToUtf16("a\xC2\xA0_\xC2\xA0\xC2\xA0_"), u"a _  _");
  // Only the character U+00A0 is touched, not the byte A0 inside another character.
  EXPECT_EQ(htmlToUtf16("\xE4\xA0\x80"), u"\u4800");
  EXPECT_EQ(htmlToUtf16("\xA0"), u"\uFFFD");
}

}  // namespace

#include "runtime/document_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/iconv_code_page.h"

namespace {

using E = DocumentEncoding;
using R = OpenRefusal;

const IconvCodePage& cp936() {
  static IconvCodePage codePage;
  return codePage;
}

// What the text box gives back for a text it was given.
std::string throughTextBox(std::string_view text) {
  return cp936().fromUnicode(cp936().toUnicode(text));
}

struct Case {
  const char* what;
  std::string bytes;
  R refusal;
  E encoding;
  std::string shown;  // GBK; for Gbk documents the bytes themselves
};

// Sources are UTF-8; the GBK bytes are written out.
const Case kCases[] = {
    {"UTF-8 lines without a byte-order mark", "\xE4\xB8\xAD\r\n\xE6\x96\x87\r\n", R::None, E::Utf8,
     "\xD6\xD0\r\n\xCE\xC4\r\n"},
    {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87", R::None, E::Utf8Bom,
     "\xD6\xD0\xCE\xC4"},
    {"ASCII after a UTF-8 byte-order mark",
     "\xEF\xBB\xBF"
     "ab",
     R::None, E::Utf8Bom, "ab"},
    {"UTF-16 little endian", std::string("\xFF\xFE\x2D\x4E\x87\x65\x0D\x00\x0A\x00", 10), R::None,
     E::Utf16Le, "\xD6\xD0\xCE\xC4\r\n"},
    {"UTF-16 big endian", "\xFE\xFF\x4E\x2D\x65\x87", R::None, E::Utf16Be, "\xD6\xD0\xCE\xC4"},
    {"an empty UTF-16 file", "\xFF\xFE", R::None, E::Utf16Le, ""},
    {"plain ASCII", "plain\r\ntext", R::None, E::Gbk, "plain\r\ntext"},
    {"GBK that is not UTF-8 (联通)", "\xC1\xAA\xCD\xA8", R::None, E::Gbk, "\xC1\xAA\xCD\xA8"},
    {"GBK that is UTF-8 for a character GBK lacks (abc职def)",
     "abc\xD6\xB0"
     "def",
     R::None, E::Gbk,
     "abc\xD6\xB0"
     "def"},
    {"a zero byte", std::string("a\0b", 3), R::ZeroByte, E::Gbk, ""},
    {"a zero byte after a UTF-8 byte-order mark",
     std::string("\xEF\xBB\xBF"
                 "a\0",
                 5),
     R::ZeroByte, E::Gbk, ""},
    {"a zero character in UTF-16",
     std::string("\xFF\xFE"
                 "a\0\0\0",
                 6),
     R::ZeroByte, E::Gbk, ""},
    {"Korean in UTF-16", std::string("\xFF\xFE\x5C\xD5", 4), R::Unrepresentable, E::Gbk, ""},
    {"an emoji in UTF-16", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), R::Unrepresentable, E::Gbk,
     ""},
    {"UTF-16 of odd length",
     std::string("\xFF\xFE"
                 "a\0b",
                 5),
     R::DamagedUtf16, E::Gbk, ""},
    {"a lone surrogate in UTF-16",
     std::string("\xFE\xFF\xD8\x3D\x00"
                 "a",
                 6),
     R::DamagedUtf16, E::Gbk, ""},
    {"GBK cut after a lead byte", "abc\xD6", R::UnknownEncoding, E::Gbk, ""},
    {"a lead byte before a line break", "\xD6\r\n", R::UnknownEncoding, E::Gbk, ""},
    {"Korean in UTF-8 that is not GBK either", "\xED\x95\x9C", R::Unrepresentable, E::Gbk, ""},
    // Short texts whose bytes are both GBK and UTF-8 open as the likelier of the two.
    {"GBK that is UTF-8 for Cyrillic (谢谢, not лл)", "\xD0\xBB\xD0\xBB", R::None, E::Gbk,
     "\xD0\xBB\xD0\xBB"},
    {"GBK that is UTF-8 for Cyrillic and Greek (谢谢 小写 未)",
     "\xD0\xBB\xD0\xBB \xD0\xA1\xD0\xB4 \xCE\xB4", R::None, E::Gbk,
     "\xD0\xBB\xD0\xBB \xD0\xA1\xD0\xB4 \xCE\xB4"},
    {"one GBK character that is UTF-8 for a Greek letter (未)", "\xCE\xB4", R::None, E::Gbk,
     "\xCE\xB4"},
    {"one Chinese character in UTF-8", "\xE4\xB8\xAD", R::None, E::Utf8, "\xD6\xD0"},
    {"Latin in UTF-8 (café)", "caf\xC3\xA9", R::None, E::Utf8, "caf\xA8\xA6"},
    {"Cyrillic in UTF-8 (Привет, мир)",
     "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80", R::None, E::Utf8,
     "\xA7\xB1\xA7\xE2\xA7\xDA\xA7\xD3\xA7\xD6\xA7\xE4, \xA7\xDE\xA7\xDA\xA7\xE2"},
    // UTF-8 with a character GBK lacks is refused, even where its bytes would survive as GBK.
    {"UTF-8 with an emoji that is GBK too (你好, an emoji, 世界)",
     "\xE4\xBD\xA0\xE5\xA5\xBD\xF0\x9F\x98\x80\xE4\xB8\x96\xE7\x95\x8C", R::Unrepresentable, E::Gbk,
     ""},
    {"UTF-8 with an emoji that is not GBK (今天天气很好, an emoji, 我们去公园)",
     "\xE4\xBB\x8A\xE5\xA4\xA9\xE5\xA4\xA9\xE6\xB0\x94\xE5\xBE\x88\xE5\xA5\xBD\xF0\x9F\x98"
     "\x80\xE6\x88\x91\xE4\xBB\xAC\xE5\x8E\xBB\xE5\x85\xAC\xE5\x9B\xAD",
     R::Unrepresentable, E::Gbk, ""},
    {"a Latin letter GBK lacks in a word (K-a-umlaut-se)", "K\xC3\xA4se", R::Unrepresentable,
     E::Gbk, ""},
};

// Each file opens as the text shown, which an unedited save turns back into the same bytes, or
// is refused.
TEST(DocumentEncoding, ChoosesHowTheBytesBecomeTextAndBackAgain) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const DecodedDocument d = decodeDocument(c.bytes, cp936());
    EXPECT_EQ(d.refusal, c.refusal);
    if (c.refusal != R::None) continue;
    EXPECT_EQ(d.encoding, c.encoding);
    EXPECT_EQ(d.encoding == E::Gbk ? c.bytes : d.text, c.shown);
    EXPECT_EQ(encodeDocument(throughTextBox(c.shown), c.encoding, cp936()), c.bytes);
  }
}

TEST(DocumentEncoding, AnEditedTextIsSavedInTheDocumentsEncoding) {
  const std::string edited =
      "\xD6\xD0"
      "a\r\n";  // 中a CR LF
  EXPECT_EQ(encodeDocument(edited, E::Gbk, cp936()), edited);
  EXPECT_EQ(encodeDocument(edited, E::Utf8, cp936()),
            "\xE4\xB8\xAD"
            "a\r\n");
  EXPECT_EQ(encodeDocument(edited, E::Utf8Bom, cp936()),
            "\xEF\xBB\xBF\xE4\xB8\xAD"
            "a\r\n");
  EXPECT_EQ(encodeDocument(edited, E::Utf16Le, cp936()), std::string("\xFF\xFE\x2D\x4E"
                                                                     "a\0\r\0\n\0",
                                                                     10));
  EXPECT_EQ(encodeDocument(edited, E::Utf16Be, cp936()),
            std::string("\xFE\xFF\x4E\x2D\0a\0\r\0\n", 10));
}

TEST(DocumentEncoding, LargeDocumentsAreCheckedAndConvertedInPiecesWithoutSplittingCharacters) {
  // Three-byte UTF-8 characters and two-byte GBK ones straddle every piece boundary.
  std::string utf8, gbk;
  for (int i = 0; i < 700000; ++i) utf8 += "\xE4\xB8\xAD", gbk += "\xD6\xD0";
  utf8 += "x";
  gbk += "x";
  const DecodedDocument d = decodeDocument(utf8, cp936());
  ASSERT_EQ(d.refusal, R::None);
  EXPECT_EQ(d.encoding, E::Utf8);
  EXPECT_EQ(d.text, gbk);
  EXPECT_EQ(encodeDocument(d.text, E::Utf8, cp936()), utf8);
  EXPECT_TRUE(survivesCodePage("x" + gbk, cp936()));
  EXPECT_FALSE(survivesCodePage(gbk + "\xD6", cp936()));
}

TEST(DocumentEncoding, StrictUtf8) {
  const struct {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"\xC0\xAF", false},          // overlong "/"
      {"\xE0\x80\xAF", false},      // overlong, three bytes
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE4\xB8", false},          // cut short
      {"\xBF", false},              // a lone continuation byte
      {"\xF0\x9F\x98\x80", true},   // U+1F600
      {"\xEF\xBF\xBF", true},       // U+FFFF
  };
  for (const auto& c : cases) {
    std::u16string out;
    bool multiByte;
    EXPECT_EQ(decodeUtf8(c.bytes, out, multiByte), c.valid) << testing::PrintToString(c.bytes);
    if (c.valid) {
      EXPECT_EQ(encodeUtf8(out), c.bytes);
    }
  }
}

TEST(DocumentEncoding, ALastLeadByteWithoutItsTrailByteIsLeftOut) {
  const struct {
    std::string text;
    size_t length;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"abc\xD6", 3},
      {"\xD6\xD0", 2},
      {"\xD6\xD0\xD6", 2},
      {"\xD6\xD6\xD6", 2},  // a pair whose trail is a lead byte, then a lone lead
      {"\xD6\xD6\xD6\xD6", 4},
      {"\r\n\xD6\xD0\xD6\xD0", 6},
      {"\xD6\r", 2},  // the system pairs a lead byte with anything after it
      {"a\r\xD6\xD0\xD6", 4},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lengthWithoutLoneLeadByte(c.text, cp936()), c.length)
        << testing::PrintToString(c.text);
}

}  // namespace

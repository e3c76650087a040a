#include "ui/components/file_dialog/file_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(FileFilter, AppendsTerminatorAndSplitsAtBars) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {".txt", ".txt\0\0"s},
      {"Text|*.txt", "Text\0*.txt\0\0"s},
      {"Text|*.txt|", "Text\0*.txt\0\0\0"s},
      {"文本文件 (*.txt)|*.txt|所有文件 (*.*)|*.*||",
       "文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0\0"s},
      {"Text|*.txt||  \t\r\n", "Text\0*.txt\0\0"s},
      {"Text|*.txt  ", "Text\0*.txt\0\0"s},
      {"|", "\0\0\0"s},
  };
  for (const auto& c : cases) EXPECT_EQ(fileDialogFilter(c.in), c.out) << c.in;
}

TEST(FileFilter, EmptyOrBlankGivesNoFilter) {
  EXPECT_EQ(fileDialogFilter(""), "");
  EXPECT_EQ(fileDialogFilter(" \t\r\n"), "");
}

// "亅" is 0x81 0x7C: its trail byte is the code of "|".
TEST(FileFilter, TrailByteBarIsNoSeparator) {
  EXPECT_EQ(fileDialogFilter("亅"), "亅\0\0"s);
  EXPECT_EQ(fileDialogFilter("亅|*.a"), "亅\0*.a\0\0"s);
  // Ends in the character 0x81 0x7C and one real bar: not yet "||".
  EXPECT_EQ(fileDialogFilter("A|亅|"), "A\0亅\0\0\0"s);
  EXPECT_EQ(fileDialogFilter("A|亅||"), "A\0亅\0\0"s);
}

TEST(FileFilter, TrimmingStopsAtTwoByteCharacters) {
  // 0x81 0x20 is one character whose trail byte is below the GBK range; it is no blank.
  EXPECT_EQ(fileDialogFilter("a\x81\x20"), "a\x81\x20\0\0"s);
  // A lead byte at the very end stands alone.
  EXPECT_EQ(fileDialogFilter("a|\x81"), "a\0\x81\0\0"s);
  EXPECT_EQ(fileDialogFilter("a \x81"), "a \x81\0\0"s);
}

TEST(FileFilter, StopsAtEmbeddedNul) { EXPECT_EQ(fileDialogFilter("a|b\0c|d"s), "a\0b\0\0"s); }

}  // namespace

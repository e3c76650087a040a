#include "runtime/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A runtime array block: dimension count, one count per dimension, then the elements.
struct ArrayBlock {
  std::vector<uint32_t> words;
  ArrayBlock(std::vector<uint32_t> counts, const void* elements, size_t bytes) {
    words.push_back(static_cast<uint32_t>(counts.size()));
    words.insert(words.end(), counts.begin(), counts.end());
    size_t head = words.size();
    words.resize(head + (bytes + 3) / 4);
    if (bytes) std::memcpy(words.data() + head, elements, bytes);
  }
  TypedValue arg(uint32_t elementTag) const {
    return {reinterpret_cast<uintptr_t>(words.data()), 0, elementTag | kTagArrayFlag};
  }
};

TypedValue doubleArg(double d, uint32_t tag = kTagDouble) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return {static_cast<uintptr_t>(static_cast<uint32_t>(u)), static_cast<uint32_t>(u >> 32), tag};
}

TypedValue floatArg(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return {u, 0, kTagFloat};
}

std::string bytesOf(const TypedValue& v) { return std::string(toBytes(v).view()); }
std::string textOf(const TypedValue& v) { return toText(v).str(); }

TEST(Arrays, OnlyTheSixNumericTypesConvert) {
  const uint8_t elements[16] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h',
                                'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p'};
  struct Row {
    uint32_t tag;
    const char* bytes;  // two elements; nullptr: no result
  } rows[] = {
      {kTagByte, "ab"},
      {kTagShort, "abcd"},
      {kTagInt, "abcdefgh"},
      {kTagFloat, "abcdefgh"},
      {kTagLong, "abcdefghijklmnop"},
      {kTagDouble, "abcdefghijklmnop"},
      {kTagBool, nullptr},
      {kTagDateTime, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.tag);
    ArrayBlock two({2}, elements, sizeof elements);
    if (r.bytes) {
      EXPECT_EQ(bytesOf(two.arg(r.tag)), r.bytes);
      EXPECT_EQ(textOf(two.arg(r.tag)), r.bytes);
    } else {
      EXPECT_TRUE(toBytes(two.arg(r.tag)).isNull());
      EXPECT_TRUE(toText(two.arg(r.tag)).isNull());
    }
  }
}

TEST(ToBytes, ScalarsGiveTheirLittleEndianBytesOfTheTypeWidth) {
  EXPECT_EQ(bytesOf({0x1234AB, 0, kTagByte}), "\xAB");
  EXPECT_EQ(bytesOf({0x1234AB, 0, kTagShort}), "\xAB\x34");
  EXPECT_EQ(bytesOf(intArg(-2)), std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(bytesOf(longArg(0x0102030405060708)), "\x08\x07\x06\x05\x04\x03\x02\x01");
  EXPECT_EQ(bytesOf(boolArg(true)), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(bytesOf(doubleArg(1.0)), std::string("\0\0\0\0\0\0\xF0\x3F", 8));
  EXPECT_EQ(bytesOf(floatArg(1.0f)), std::string("\0\0\x80\x3F", 4));
  EXPECT_EQ(toBytes(intArg(0)).size(), 4u);
}

TEST(ToBytes, TextsAndBuffers) {
  EXPECT_EQ(bytesOf(textArg("ab中")), "ab中");
  EXPECT_TRUE(toBytes(textArg("")).isNull());
  EXPECT_TRUE(toBytes(TypedValue{0, 0, kTagText}).isNull());

  ByteBuffer b = ByteBuffer::copyOf(std::string_view("x\0y", 3));
  ByteBuffer copy = toBytes(bytesArg(b));
  EXPECT_EQ(copy.view(), b.view());
  EXPECT_NE(copy.data(), b.data());
  EXPECT_TRUE(toBytes(bytesArg(ByteBuffer())).isNull());
}

TEST(ToBytes, UnknownOrOmittedValuesGiveTheEmptyBuffer) {
  EXPECT_TRUE(toBytes(TypedValue{}).isNull());
  EXPECT_TRUE(toBytes(TypedValue{5, 0, 0x00010001}).isNull());
  EXPECT_TRUE(toBytes(TypedValue{5, 0, 0x80000007}).isNull());
}

TEST(ToBytes, OneDimensionalNumericArraysGiveTheirElementBytes) {
  const int16_t shorts[] = {1, -1, 0x0203};
  ArrayBlock a({3}, shorts, sizeof shorts);
  EXPECT_EQ(bytesOf(a.arg(kTagShort)), std::string("\x01\0\xFF\xFF\x03\x02", 6));

  const double doubles[] = {1.0, 2.0};
  ArrayBlock d({2}, doubles, sizeof doubles);
  EXPECT_EQ(toBytes(d.arg(kTagDouble)).size(), 16u);

  ArrayBlock none({0}, nullptr, 0);
  EXPECT_TRUE(toBytes(none.arg(kTagInt)).isNull());
}

TEST(ToBytes, OtherArraysGiveTheEmptyBuffer) {
  const int32_t ints[] = {1, 2, 3, 4};
  ArrayBlock twoDims({2, 2}, ints, sizeof ints);
  EXPECT_TRUE(toBytes(twoDims.arg(kTagInt)).isNull());

  const char* texts[] = {"a", "b"};
  ArrayBlock textArray({2}, texts, sizeof texts);
  EXPECT_TRUE(toBytes(textArray.arg(kTagText)).isNull());
  EXPECT_TRUE(toBytes(TypedValue{0, 0, kTagInt | kTagArrayFlag}).isNull());
}

TEST(ToText, IntegersUseOnlyTheirOwnWidthAndSign) {
  EXPECT_EQ(textOf({0x1FF, 0, kTagByte}), "255");
  EXPECT_EQ(textOf({0x1FFFF, 0, kTagShort}), "-1");
  EXPECT_EQ(textOf(intArg(INT32_MIN)), "-2147483648");
  EXPECT_EQ(textOf(longArg(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(textOf(longArg(0x100000000)), "4294967296");
  EXPECT_EQ(textOf(intArg(0)), "0");
}

TEST(ToText, FloatingValuesGiveTheShortFormOfTheirPrecision) {
  EXPECT_EQ(textOf(floatArg(0.1f)), "0.1");
  EXPECT_EQ(textOf(floatArg(-2.5f)), "-2.5");
  EXPECT_EQ(textOf(doubleArg(0.1)), "0.1");
  EXPECT_EQ(textOf(doubleArg(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(textOf(doubleArg(1000000.0)), "1000000");
  EXPECT_EQ(textOf(doubleArg(1e20)), "1e+20");
  EXPECT_EQ(textOf(doubleArg(0.0)), "0");
  EXPECT_EQ(textOf(doubleArg(-INFINITY)), "-inf");
  EXPECT_EQ(textOf(doubleArg(std::nan(""))), "nan");
}

TEST(ToText, BoolsAndTexts) {
  EXPECT_EQ(textOf(boolArg(true)), "真");
  EXPECT_EQ(textOf({2, 0, kTagBool}), "真");
  EXPECT_EQ(textOf(boolArg(false)), "假");

  const char* s = "文本";
  Text t = toText(textArg(s));
  EXPECT_EQ(t, "文本");
  EXPECT_NE(t.c_str(), s);
  EXPECT_TRUE(toText(textArg("")).isNull());
}

TEST(ToText, DatesGiveTheDayAndATimeOnlyWhenNotMidnight) {
  EXPECT_EQ(textOf(doubleArg(0.0, kTagDateTime)), "1899年12月30日");
  EXPECT_EQ(textOf(doubleArg(45000.5, kTagDateTime)), "2023年3月15日12时0分0秒");
  EXPECT_EQ(textOf(doubleArg(45000 + (13 * 3600 + 4 * 60 + 5) / 86400.0, kTagDateTime)),
            "2023年3月15日13时4分5秒");
  EXPECT_EQ(textOf(doubleArg(60, kTagDateTime)), "1900年2月28日");
  EXPECT_EQ(textOf(doubleArg(61, kTagDateTime)), "1900年3月1日");
  EXPECT_EQ(textOf(doubleArg(45351.99998842592, kTagDateTime)), "2024年2月29日23时59分59秒");
  EXPECT_EQ(textOf(doubleArg(2958465, kTagDateTime)), "9999年12月31日");
  EXPECT_EQ(textOf(doubleArg(-657434, kTagDateTime)), "100年1月1日");
}

TEST(ToText, DatesBeforeTheEpochCountTheirFractionForward) {
  EXPECT_EQ(textOf(doubleArg(-1.25, kTagDateTime)), "1899年12月29日6时0分0秒");
  EXPECT_EQ(textOf(doubleArg(-0.5, kTagDateTime)), "1899年12月30日12时0分0秒");
}

TEST(ToText, TimesRoundingUpToMidnightMoveToTheNextDay) {
  EXPECT_EQ(textOf(doubleArg(1.999999999, kTagDateTime)), "1900年1月1日");
  EXPECT_EQ(textOf(doubleArg(-1.999999999, kTagDateTime)), "1899年12月30日");
}

TEST(ToText, DatesOutsideTheValidYearsGiveTheEmptyText) {
  EXPECT_TRUE(toText(doubleArg(2958466, kTagDateTime)).isNull());
  EXPECT_TRUE(toText(doubleArg(-657435, kTagDateTime)).isNull());
  EXPECT_TRUE(toText(doubleArg(std::nan(""), kTagDateTime)).isNull());
  EXPECT_TRUE(toText(doubleArg(1e300, kTagDateTime)).isNull());
}

// A buffer that is used up becomes the text in its own block, with the same result.
TEST(ToText, BuffersAreTakenUpToTheirFirstZeroByte) {
  const struct {
    std::string_view bytes;
    std::string_view text;
  } cases[] = {
      {std::string_view("ab\0cd", 5), "ab"}, {"abc", "abc"}, {"\xD6\xD0", "\xD6\xD0"},
      {std::string_view("\0ab", 3), ""},     {"", ""},
  };
  for (const auto& c : cases) {
    const ByteBuffer kept = ByteBuffer::copyOf(c.bytes);
    const Text copied = toText(kept);
    const Text moved = toText(ByteBuffer::copyOf(c.bytes));
    EXPECT_EQ(copied, c.text);
    EXPECT_EQ(moved, c.text);
    EXPECT_EQ(copied.isNull(), c.text.empty());
    EXPECT_EQ(moved.isNull(), c.text.empty());
    EXPECT_EQ(kept.view(), c.bytes);
  }
}

TEST(ToText, NumericArraysAreTakenAsRawBytes) {
  const uint32_t words[] = {0x64636261, 0x00006665, 0x41414141};
  ArrayBlock a({3}, words, sizeof words);
  EXPECT_EQ(textOf(a.arg(kTagInt)), "abcdef");

  ArrayBlock full({4}, "wxyz", 4);
  EXPECT_EQ(textOf(full.arg(kTagByte)), "wxyz");

  ArrayBlock twoDims({1, 4}, "wxyz", 4);
  EXPECT_TRUE(toText(twoDims.arg(kTagByte)).isNull());
  const char* texts[] = {"a"};
  ArrayBlock textArray({1}, texts, sizeof texts);
  EXPECT_TRUE(toText(textArray.arg(kTagText)).isNull());
}

TEST(ToText, UnknownOrOmittedValuesGiveTheEmptyText) {
  EXPECT_TRUE(toText(TypedValue{}).isNull());
  EXPECT_TRUE(toText(TypedValue{1, 0, 0x00010001}).isNull());
}

}  // namespace

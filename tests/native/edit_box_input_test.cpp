#include "ui/components/edit_box/edit_box_input.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

// Which of a few probe characters each mode lets through.
TEST(EditBoxInput, AcceptedCharactersPerMode) {
  const std::string probe = "5-.a \x80";
  struct Row {
    int mode;
    std::string accepted;
  };
  const Row rows[] = {
      {kInputNormal, "5-.a \x80"}, {kInputReadOnly, ""},       {kInputPassword, "5-.a \x80"},
      {kInputIntegerText, "5-"},   {kInputDecimalText, "5-."}, {kInputByte, "5"},
      {kInputShort, "5-"},         {kInputInteger, "5-"},      {kInputLong, "5-"},
      {kInputSingle, "5-."},       {kInputDouble, "5-."},      {kInputDateTime, "5-.a \x80"},
  };
  for (const Row& row : rows) {
    std::string accepted;
    for (char c : probe)
      if (acceptsChar(row.mode, static_cast<uint8_t>(c))) accepted += c;
    EXPECT_EQ(row.accepted, accepted) << "mode " << row.mode;
  }
}

TEST(EditBoxInput, ControlCharactersAlwaysPass) {
  for (int mode = 0; mode <= kLastInputMode; ++mode)
    for (uint32_t code : {8u, 3u, 22u, 13u, 27u, 31u})
      EXPECT_TRUE(acceptsChar(mode, code)) << "mode " << mode << " code " << code;
}

struct Normalised {
  int mode;
  const char* text;
  const char* expected;
};

void expectNormalised(const std::vector<Normalised>& rows) {
  for (const Normalised& row : rows) {
    auto result = normalizeOnFocusLoss(row.mode, row.text);
    ASSERT_TRUE(result.has_value()) << "mode " << row.mode << " \"" << row.text << "\"";
    EXPECT_EQ(row.expected, *result) << "mode " << row.mode << " \"" << row.text << "\"";
  }
}

TEST(EditBoxInput, TextModesAreNotNormalised) {
  for (int mode = kInputNormal; mode <= kInputDecimalText; ++mode)
    EXPECT_FALSE(normalizeOnFocusLoss(mode, "12abc").has_value()) << "mode " << mode;
}

TEST(EditBoxInput, IntegerModesClampAndDropZero) {
  expectNormalised({
      {kInputByte, "300", "255"},
      {kInputByte, "-5", ""},
      {kInputByte, "0", ""},
      {kInputByte, "", ""},
      {kInputByte, "abc", ""},
      {kInputByte, "042x", "42"},
      {kInputByte, "  7", "7"},
      {kInputShort, "40000", "32767"},
      {kInputShort, "-40000", "-32768"},
      {kInputShort, "-12", "-12"},
      {kInputInteger, "99999999999", "2147483647"},
      {kInputInteger, "-99999999999", "-2147483648"},
      {kInputInteger, "2147483647", "2147483647"},
      {kInputInteger, "-", ""},
      {kInputLong, "123456789012345", "123456789012345"},
      {kInputLong, "99999999999999999999", "9223372036854775807"},
      {kInputLong, "-9223372036854775808", "-9223372036854775808"},
      {kInputLong, "-99999999999999999999", "-9223372036854775808"},
  });
}

TEST(EditBoxInput, RealModesRoundAndStayFinite) {
  expectNormalised({
      {kInputSingle, "3.14159265", "3.14159"},
      {kInputSingle, "0.1", "0.1"},
      {kInputSingle, "16777217", "1.67772e+07"},
      {kInputSingle, "1e300", "3.40282e+38"},
      {kInputSingle, "-1e300", "-3.40282e+38"},
      {kInputSingle, "1e-50", ""},
      {kInputSingle, "-0", ""},
      {kInputSingle, ".5", "0.5"},
      {kInputSingle, "inf", ""},
      {kInputDouble, "3.14159265358979", "3.14159265359"},
      {kInputDouble, "1e400", "1.797693134862e+308"},
      {kInputDouble, "1e-400", ""},
      {kInputDouble, "-2.5-", "-2.5"},
      {kInputDouble, "nan", ""},
  });
}

TEST(EditBoxInput, DateTimeModeWritesTheShortestForm) {
  expectNormalised({
      {kInputDateTime, "2024年3月5日14时30分15秒", "2024年3月5日14时30分15秒"},
      {kInputDateTime, "2024年3月5日14时0分0秒", "2024年3月5日14时"},
      {kInputDateTime, "2024年3月5日0时30分", "2024年3月5日0时30分"},
      {kInputDateTime, "2024年3月5日0时0分5秒", "2024年3月5日0时0分5秒"},
      {kInputDateTime, " 2024年03月05日 ", "2024年3月5日"},
      {kInputDateTime, "2024-03-05 14:30", "2024年3月5日14时30分"},
      {kInputDateTime, "2024/3/5T08:09:10", "2024年3月5日8时9分10秒"},
      {kInputDateTime, "2024.12.31", "2024年12月31日"},
      {kInputDateTime, "2024年2月29日", "2024年2月29日"},
      {kInputDateTime, "2000年2月29日", "2000年2月29日"},  // every 400 years a leap year
  });
}

TEST(EditBoxInput, DateTimeModeEmptiesWhatItCannotRead) {
  expectNormalised({
      {kInputDateTime, "", ""},
      {kInputDateTime, "hello", ""},
      {kInputDateTime, "2023年2月29日", ""},
      {kInputDateTime, "1900年2月29日", ""},
      {kInputDateTime, "2100-2-29", ""},
      {kInputDateTime, "2024年13月1日", ""},
      {kInputDateTime, "2024年3月5日24时", ""},
      {kInputDateTime, "2024年3月", ""},
      {kInputDateTime, "3月5日", ""},
      {kInputDateTime, "2024年3月5日x", ""},
      {kInputDateTime, "2024-3/5", ""},
      {kInputDateTime, "99999年1月1日", ""},
      // The zero date-time counts as no value.
      {kInputDateTime, "1899年12月30日", ""},
      {kInputDateTime, "1899-12-30 00:00:00", ""},
  });
}

TEST(EditBoxInput, FormattedDateTimesParseBack) {
  const DateTime samples[] = {
      {2024, 3, 5, 14, 30, 15},   {2024, 3, 5, 14, 0, 0},  {100, 1, 1, 0, 1, 0},
      {9999, 12, 31, 23, 59, 59}, {1899, 12, 30, 0, 0, 1},
  };
  for (const DateTime& d : samples) {
    auto parsed = parseDateTime(formatDateTime(d));
    ASSERT_TRUE(parsed.has_value()) << formatDateTime(d);
    EXPECT_EQ(d, *parsed) << formatDateTime(d);
  }
}

TEST(EditBoxInput, SpinStepWrapsWhicheverEndIsLarger) {
  struct Row {
    int64_t current;
    int delta;
    int32_t endA, endB;
    int32_t expected;
  };
  constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
  constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
  const Row rows[] = {
      {10, 1, 10, 1, 1},
      {1, -1, 10, 1, 10},
      {5, 1, 10, 1, 6},
      {5, -3, 1, 10, 4},
      {0, 0, 1, 10, 1},
      {0, -1, 1, 10, 10},
      {500, 1, 1, 10, 1},
      {500, -1, 1, 10, 1},
      {-500, 1, 1, 10, 10},
      {7, 1, 7, 7, 7},
      {kMax64, 1, kMin32, kMax32, kMin32},
      {kMax32, 1, kMin32, kMax32, kMin32},
  };
  for (const Row& r : rows)
    EXPECT_EQ(r.expected, spinStep(r.current, r.delta, r.endA, r.endB))
        << r.current << " by " << r.delta << " in " << r.endA << ".." << r.endB;
}

// "中" is two bytes in GBK; a lone lead byte at the end counts as one character.
TEST(EditBoxInput, GbkByteOffsetsOfCharacters) {
  const std::string text = "中a文b";
  struct Row {
    size_t characters;
    size_t bytes;
  };
  const Row rows[] = {{0, 0}, {1, 2}, {2, 3}, {3, 5}, {4, 6}, {9, 6}};
  for (const Row& r : rows) EXPECT_EQ(r.bytes, gbkByteOffset(text, r.characters)) << r.characters;
  EXPECT_EQ(2u, gbkByteOffset("a\xD6", 5));
}

}  // namespace

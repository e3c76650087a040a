#include <gtest/gtest.h>

#include <cstring>

#include "ui/model/value_conversion.h"

namespace {

LogFont fontOfHeight(int32_t h) {
  LogFont f{};
  f.lfHeight = h;
  return f;
}

TEST(MulDiv, RoundsToNearestLikeWindows) {
  EXPECT_EQ(mulDiv(12, 96, 72), 16);
  EXPECT_EQ(mulDiv(5, 96, 72), 7);  // 6.67
  EXPECT_EQ(mulDiv(7, 72, 96), 5);  // 5.25
  EXPECT_EQ(mulDiv(-5, 96, 72), -7);
  EXPECT_EQ(mulDiv(1, 1, 0), -1);
}

TEST(ValueConversion, LogicalAndChoice) {
  EXPECT_EQ(convertForWrite(kKindLogical, 5).asInt(), 1);
  EXPECT_EQ(convertForWrite(kKindLogical, 0).asInt(), 0);
  EXPECT_EQ(convertForWrite(kKindLogical, PropertyValue::fromPair(0, 1)).asInt(), 0)
      << "a logical write looks at the low word only";
  EXPECT_EQ(convertForWrite(kKindLogical, PropertyValue::fromPair(2, 0)).asInt(), 1);
  EXPECT_EQ(convertForRead(kKindLogical, 1).asInt(), 1);
  EXPECT_EQ(convertForRead(kKindLogical, 2).asInt(), 0);  // only exactly 1 reads as true
  EXPECT_EQ(convertForWrite(kKindChoice, -4).asInt(), 0);
  EXPECT_EQ(convertForWrite(kKindChoice, 9).asInt(), 9);  // the component clamps the top
}

TEST(ValueConversion, TextAndBytes) {
  EXPECT_STREQ(convertForWrite(kKindText, PropertyValue(Text())).c_str(), "");
  EXPECT_STREQ(convertForRead(kKindText, "abc").c_str(), "abc");
  auto b = convertForWrite(kKindPicture, ByteBuffer::copyOf("xyz", 3));
  EXPECT_EQ(b.asBytes().view(), "xyz");
  EXPECT_TRUE(convertForWrite(kKindPicture, PropertyValue()).asBytes().isNull());
}

TEST(FontFields, SizeRoundTripsThroughMulDiv) {
  // Both ways round to the nearest: 5 points are 6.67 pixels, 21 pixels are 15.75 points.
  const struct {
    int32_t written;
    int32_t height, read;
  } sizes[] = {{12, -16, 12}, {5, -7, 5}, {20, -27, 20}, {16, -21, 16}, {8, -11, 8}, {-3, 0, 0}};
  for (const auto& s : sizes) {
    LogFont f = writeFontField(fontOfHeight(-1), kFontSize, s.written, 96).value();
    EXPECT_EQ(f.lfHeight, s.height) << s.written;
    EXPECT_EQ(readFontField(f, kFontSize, 96).asInt(), s.read) << s.written;
  }
  const struct { int32_t height, points; } stored[] = {{-13, 10}, {-22, 17}, {21, 16}};
  for (const auto& s : stored)
    EXPECT_EQ(readFontField(fontOfHeight(s.height), kFontSize, 96).asInt(), s.points) << s.height;
}

TEST(FontFields, TheMostNegativeHeightHasASize) {
  EXPECT_EQ(readFontField(fontOfHeight(INT32_MIN), kFontSize, 96).asInt(), 1610612736);
  EXPECT_EQ(readFontField(fontOfHeight(INT32_MIN), kFontWhole, 72).asFont().size, -1)
      << "beyond 32 bits, as MulDiv";
}

TEST(FontFields, UnknownSubIndicesAreRefused) {
  LogFont f = fontOfHeight(-16);
  std::strcpy(f.lfFaceName, "Tahoma");
  for (int sub : {7, 8, 1000, -2}) {
    SCOPED_TRACE(sub);
    EXPECT_FALSE(writeFontField(f, sub, PropertyValue(FontValue{}), 96));
    EXPECT_FALSE(writeFontField(f, sub, 1, 96));
    EXPECT_TRUE(readFontField(f, sub, 96).asFont().faceName.isNull());
  }
}

TEST(FontFields, AngleIsTakenModulo3600) {
  LogFont f = writeFontField(LogFont{}, kFontAngle, 3700, 96).value();
  EXPECT_EQ(f.lfOrientation, 100);
  EXPECT_EQ(f.lfEscapement, 100);
  EXPECT_EQ(writeFontField(f, kFontAngle, -100, 96).value().lfOrientation, 3500);
  EXPECT_EQ(readFontField(f, kFontAngle, 96).asInt(), 100);
}

TEST(FontFields, StylesAreIndependent) {
  LogFont f = writeFontField(LogFont{}, kFontBold, 1, 96).value();
  f = writeFontField(f, kFontItalic, 7, 96).value();
  EXPECT_EQ(f.lfWeight, 700);
  EXPECT_EQ(f.lfItalic, 1);
  EXPECT_EQ(readFontField(f, kFontBold, 96).asInt(), 1);
  f = writeFontField(f, kFontBold, 0, 96).value();
  EXPECT_EQ(f.lfWeight, 0);
  EXPECT_EQ(f.lfItalic, 1);
  f = writeFontField(f, kFontUnderline, 1, 96).value();
  f = writeFontField(f, kFontStrikeOut, 1, 96).value();
  EXPECT_EQ(readFontField(f, kFontUnderline, 96).asInt(), 1);
  EXPECT_EQ(readFontField(f, kFontStrikeOut, 96).asInt(), 1);
}

TEST(FontFields, FaceNameFallsBackForEmptyOrLongNames) {
  LogFont f = writeFontField(LogFont{}, kFontFaceName, "Tahoma", 96).value();
  EXPECT_STREQ(readFontField(f, kFontFaceName, 96).c_str(), "Tahoma");
  f = writeFontField(f, kFontFaceName, "", 96).value();
  EXPECT_STREQ(readFontField(f, kFontFaceName, 96).c_str(), kFallbackFace);
  std::string longName(32, 'x');
  f = writeFontField(f, kFontFaceName, longName.c_str(), 96).value();
  EXPECT_STREQ(f.lfFaceName, kFallbackFace);
  std::string fits(31, 'y');
  f = writeFontField(f, kFontFaceName, fits.c_str(), 96).value();
  EXPECT_EQ(std::string(f.lfFaceName), fits);
}

TEST(FontFields, WholeFontRebuildsEveryField) {
  LogFont start = fontOfHeight(-40);
  start.lfCharSet = 134;
  start.lfWidth = 9;
  FontValue v;
  v.angle = -10;
  v.bold = 1;
  v.italic = 1;
  v.size = -2;
  LogFont f = writeFontField(start, -1, PropertyValue(std::move(v)), 96).value();
  EXPECT_EQ(f.lfOrientation, 3590);
  EXPECT_EQ(f.lfWeight, 700);
  EXPECT_EQ(f.lfItalic, 1);
  EXPECT_EQ(f.lfHeight, 0);
  EXPECT_EQ(f.lfWidth, 0);
  EXPECT_EQ(f.lfCharSet, 0);
  EXPECT_STREQ(f.lfFaceName, kFallbackFace);

  PropertyValue whole = readFontField(f, -1, 96);
  EXPECT_EQ(whole.asFont().bold, 1);
  EXPECT_EQ(whole.asFont().angle, 3590);
  EXPECT_STREQ(whole.asFont().faceName.c_str(), kFallbackFace);
}

}  // namespace

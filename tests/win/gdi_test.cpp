#include "ui/graphics/gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const LOGFONTA& lf) {
  const auto* p = reinterpret_cast<const uint8_t*>(&lf);
  return {p, p + sizeof lf};
}

LOGFONTA logFontOf(HGDIOBJ font) {
  LOGFONTA lf{};
  GetObjectA(font, sizeof lf, &lf);
  return lf;
}

// The stored size, weight, slant and face are kept; the character set, precisions, quality and
// pitch are the rule's whatever was stored; the face is cut where it would end in half a
// character or run past its field.
TEST(RuleFont, KeepsTheStoredFontButTheRulesFields) {
  LOGFONTA stored{};
  stored.lfHeight = -16;
  stored.lfWeight = FW_BOLD;
  stored.lfItalic = 1;
  stored.lfCharSet = GB2312_CHARSET;
  stored.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  stored.lfClipPrecision = CLIP_STROKE_PRECIS;
  stored.lfQuality = DRAFT_QUALITY;
  stored.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  struct Case {
    std::string face, made;
  } cases[] = {
      {"宋体", "宋体"},
      {"宋体\xCB", "宋体"},
      {std::string(LF_FACESIZE, 'F'), std::string(LF_FACESIZE - 1, 'F')},
  };
  for (const Case& c : cases) {
    LOGFONTA lf = stored;
    std::memcpy(lf.lfFaceName, c.face.data(), std::min<size_t>(c.face.size(), LF_FACESIZE));
    OwnedFont font(createRuleFont(bytesOf(lf)));
    ASSERT_TRUE(font) << c.made;
    const LOGFONTA made = logFontOf(font.get());
    EXPECT_EQ(std::string(made.lfFaceName), c.made);
    LOGFONTA expected = stored;
    expected.lfCharSet = DEFAULT_CHARSET;
    expected.lfOutPrecision = expected.lfClipPrecision = expected.lfPitchAndFamily = 0;
    expected.lfQuality = PROOF_QUALITY;
    std::memcpy(expected.lfFaceName, made.lfFaceName, LF_FACESIZE);
    EXPECT_EQ(bytesOf(made), bytesOf(expected)) << c.made;
    EXPECT_EQ(logFontBytes(font.get()), bytesOf(made)) << "the font's stored form";
  }
  for (size_t size : {0, 59, 61}) EXPECT_EQ(createRuleFont(std::vector<uint8_t>(size)), nullptr);
  EXPECT_EQ(logFontBytes(nullptr), bytesOf(logFontOf(GetStockObject(DEFAULT_GUI_FONT))));
}

}  // namespace

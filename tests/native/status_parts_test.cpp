#include "ui/components/status_bar/status_parts.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> b) {
  std::vector<uint8_t> out;
  for (int v : b) out.push_back(static_cast<uint8_t>(v));
  return out;
}

StatusPart part(int32_t width, const char* text = "") {
  StatusPart p;
  p.width = width;
  p.text = text;
  return p;
}

TEST(StatusParts, RecordLayout) {
  StatusPart p{-1, kPartRaised, 3, "ab", "t"};
  auto expected = bytes({1,    0,    0,    0,     // count
                         0xFF, 0xFF, 0xFF, 0xFF,  // width
                         0x00, 0x02, 0x00, 0x00,  // border
                         3,    0,    0,    0,     // icon
                         'a',  'b',  0,    't',  0});
  EXPECT_EQ(encodeParts({p}), expected);
  EXPECT_EQ(parseParts(expected), std::vector<StatusPart>{p});
}

TEST(StatusParts, NoPartsIsZeroBytes) {
  EXPECT_TRUE(encodeParts({}).empty());
  EXPECT_TRUE(parseParts({}).empty());
  EXPECT_TRUE(parseParts(bytes({0, 0, 0, 0})).empty());
}

TEST(StatusParts, DamagedListsKeepTheirWholeRecords) {
  auto full = encodeParts({part(100, "first"), part(80, "second")});
  size_t firstEnd = 4 + 12 + 6 + 1;
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + n);
    auto parts = parseParts(cut);
    EXPECT_EQ(parts.size(), n >= firstEnd ? 1u : 0u) << "cut at " << n;
  }
  auto inflated = full;
  inflated[0] = 0xFF;
  inflated[3] = 0x7F;
  EXPECT_EQ(parseParts(inflated).size(), 2u);
}

TEST(StatusParts, AddPartDefaultsAndClamping) {
  struct Case {
    PartArguments args;
    StatusPart expected;
  } cases[] = {
      {{}, {50, kPartSunken, -1, "", ""}},
      {{"msg", -1}, {-1, kPartSunken, -1, "msg", ""}},
      {{"", -7, "", -3}, {-1, kPartSunken, -1, "", ""}},
      {{"", 0, "", 0}, {0, kPartSunken, 0, "", ""}},
      {{"x", 30, "tip", 2, 1}, {30, kPartNoBorder, 2, "x", "tip"}},
      {{{}, {}, {}, {}, 2}, {50, kPartRaised, -1, "", ""}},
      {{{}, {}, {}, {}, 3}, {50, kPartSunken, -1, "", ""}},
      {{{}, {}, {}, {}, 0x100}, {50, kPartSunken, -1, "", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(makePart(c.args), c.expected);
}

TEST(StatusParts, AppendReturnsIndices) {
  std::vector<uint8_t> list;
  EXPECT_EQ(appendPart(list, part(10, "a")), 0);
  EXPECT_EQ(appendPart(list, part(20, "b")), 1);
  EXPECT_EQ(appendPart(list, part(-1, "c")), 2);
  EXPECT_EQ(list, encodeParts({part(10, "a"), part(20, "b"), part(-1, "c")}));

  std::vector<uint8_t> zeroCount = bytes({0, 0, 0, 0});
  EXPECT_EQ(appendPart(zeroCount, part(5)), 0);
  EXPECT_EQ(parseParts(zeroCount).size(), 1u);
}

TEST(StatusParts, AppendAfterDamageLandsWhereTheCountSays) {
  auto list = encodeParts({part(10, "a")});
  list.push_back(0xAB);  // stray byte
  EXPECT_EQ(appendPart(list, part(20, "b")), 1);
  EXPECT_EQ(parseParts(list), (std::vector<StatusPart>{part(10, "a"), part(20, "b")}));

  auto truncated = encodeParts({part(10, "a"), part(20, "b")});
  truncated.resize(truncated.size() - 1);
  EXPECT_EQ(appendPart(truncated, part(30, "c")), 1);
  EXPECT_EQ(parseParts(truncated), (std::vector<StatusPart>{part(10, "a"), part(30, "c")}));
}

TEST(StatusParts, RightEdges) {
  struct Case {
    std::vector<int32_t> widths;
    std::vector<int32_t> edges;
  } cases[] = {
      {{100, 80, -1}, {100, 180, -1}},
      {{-1, 60}, {-1, 0}},
      {{50}, {50}},
      {{30, 30}, {30, 60}},
      {{10, -1, 20, 30}, {10, -1, 0, 0}},
      {{0, 0}, {0, 0}},
      {{INT_MAX, 10}, {INT_MAX, INT_MAX}},
      {{INT_MIN, -10}, {INT_MIN, INT_MIN}},
  };
  for (const auto& c : cases) {
    std::vector<StatusPart> parts;
    for (int32_t w : c.widths) parts.push_back(part(w));
    EXPECT_EQ(rightEdges(parts), c.edges);
  }
}

}  // namespace

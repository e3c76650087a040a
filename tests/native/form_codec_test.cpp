#include <gtest/gtest.h>

#include <cstring>

#include "form/form_codec.h"

namespace {

using namespace std::literals;
constexpr UnitId kMainWindow = 0x52010001;

UnitRecord control(TypeId type, std::vector<EventBinding> bindings = {}, UnitId eventsOf = 0) {
  return UnitRecord{.type = type, .eventsOf = eventsOf, .bindings = std::move(bindings)};
}

UnitRecord menuItem(uint32_t click, UnitId eventsOf = 0) {
  return UnitRecord{.type = kMenuItemType, .eventsOf = eventsOf, .clickHandler = click};
}

WindowDescription windowOf(std::vector<std::pair<UnitId, UnitRecord>> units,
                           UnitId id = kMainWindow) {
  WindowDescription w{.id = id};
  for (auto& [unitId, record] : units) {
    w.unitIds.push_back(unitId);
    w.units.push_back(std::move(record));
  }
  return w;
}

struct Bytes : std::vector<uint8_t> {
  Bytes& w(std::initializer_list<uint32_t> words) {
    for (uint32_t v : words)
      for (int shift = 0; shift < 32; shift += 8) push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& s(std::string_view text) {
    insert(end(), text.begin(), text.end());
    return *this;
  }
  uint32_t word(size_t at) const {
    uint32_t v;
    std::memcpy(&v, data() + at, 4);
    return v;
  }
  Bytes with(size_t at, uint32_t v) const {
    Bytes copy = *this;
    std::memcpy(copy.data() + at, &v, 4);
    return copy;
  }
  bool decodes(uint32_t handlers = 10) const {
    FormDescription out;
    return decodeForm(data(), size(), handlers, out);
  }
};

// Written out byte by byte, so the layout is pinned independently of the encoder. Every
// runtime slot holds the given value.
Bytes handBuiltBlock(uint32_t slot) {
  Bytes window;
  window.w({kWindowType, 0, 0, 0, 0, 0}).s("\0c\0"sv);
  window.w({slot, uint32_t(-1), 2, 3, 4, slot, 0, 1, 0x16000001, 2}).s("\x01\x02");
  window.s("tag\0"sv).w({0, kUnitVisible, 6, 1, 7, 2, 0, 0, 0, 0, 0}).s("xyz");
  Bytes menu;
  menu.w({kMenuItemType, 0x26000009, 0, 0, 0, 4}).s("m\0\0"sv);
  menu.w({4, 1, kMenuChecked}).s("cap\0"sv).w({3, slot, slot, slot, slot});

  Bytes block;
  block.w({8, kMainWindow, slot}).w({1, 2, 1}).s("W").w({0});
  block.w({2, uint32_t(16 + 8 + window.size() + menu.size()), 0x06010000, 0x26000009});
  block.w({0, uint32_t(4 + window.size()), uint32_t(window.size())});
  block.insert(block.end(), window.begin(), window.end());
  block.w({uint32_t(menu.size())});
  block.insert(block.end(), menu.begin(), menu.end());
  return block;
}

// One window, empty name and comment: the unit table's parts sit at fixed places.
Bytes smallBlock(std::vector<std::pair<UnitId, UnitRecord>> units) {
  FormDescription form;
  form.windows.push_back(windowOf(std::move(units)));
  const auto bytes = encodeForm(form);
  return Bytes{{bytes.begin(), bytes.end()}};
}
size_t offsetsAt(size_t units) { return 36 + 4 * units; }

bool decodes(const FormDescription& form, uint32_t handlers) {
  const auto bytes = encodeForm(form);
  FormDescription out;
  return decodeForm(bytes.data(), bytes.size(), handlers, out);
}

TEST(FormCodec, DecodesHandBuiltBlockAndEncodesItBack) {
  const Bytes block = handBuiltBlock(0x5107);
  FormDescription form;
  ASSERT_TRUE(decodeForm(block.data(), block.size(), 4, form));
  const auto& w = form.windows.at(0);
  EXPECT_EQ(w.wordB, 2u);
  EXPECT_EQ(w.name, "W");
  EXPECT_EQ(w.unitIds, (std::vector<UnitId>{0x06010000, 0x26000009}));
  const auto& main = w.units.at(0);
  EXPECT_EQ(main.comment, "c");
  EXPECT_EQ(main.left, -1);
  EXPECT_EQ(main.height, 4);
  EXPECT_EQ(main.children, (std::vector<UnitId>{0x16000001}));
  EXPECT_EQ(main.pointerData, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(main.tag, "tag");
  EXPECT_EQ(main.tabOrder, 6u);
  EXPECT_EQ(main.bindings, (std::vector<EventBinding>{{7, 2}}));
  EXPECT_EQ(main.properties, (std::vector<uint8_t>{'x', 'y', 'z'}));
  const auto& item = w.units.at(1);
  EXPECT_EQ(item.reserved[3], 4u);
  EXPECT_EQ(item.shortcut, 4u);
  EXPECT_EQ(item.menuFlags, kMenuChecked);
  EXPECT_EQ(item.caption, "cap");
  EXPECT_EQ(item.clickHandler, 3u);
  EXPECT_EQ(item.slots[0], 0u);

  EXPECT_EQ(encodeForm(form), handBuiltBlock(0));
}

TEST(FormCodec, CountedStringsStopAtNulAndNonPositiveCountsAreEmpty) {
  FormDescription form;
  form.windows.push_back(windowOf({{0x06010000, control(kWindowType)}}));
  form.windows[0].name = "ab\0cd"s;
  const auto bytes = encodeForm(form);
  const Bytes block = Bytes{{bytes.begin(), bytes.end()}}.with(29, 0x80000000);
  ASSERT_EQ(block.word(20), 5u);
  FormDescription out;
  ASSERT_TRUE(decodeForm(block.data(), block.size(), 0, out));
  EXPECT_EQ(out.windows[0].name, "ab");
  EXPECT_EQ(out.windows[0].comment, "");
}

TEST(FormCodec, EveryTruncationFailsAndLeavesOutputAlone) {
  const auto bytes = handBuiltBlock(0);
  FormDescription sentinel;
  sentinel.windows.emplace_back().id = 42;
  for (size_t n = 0; n < bytes.size(); ++n) {
    // A copy of exactly n bytes lets AddressSanitizer catch a read past the prefix.
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + n);
    FormDescription out = sentinel;
    ASSERT_FALSE(decodeForm(prefix.data(), prefix.size(), 4, out)) << n;
    ASSERT_EQ(out, sentinel) << n;
  }
}

TEST(FormCodec, OffsetsLocateRecordsAndAreChecked) {
  const auto good = smallBlock({{0x06010000, control(kWindowType)}, {0x26000001, menuItem(1)}});
  const size_t second = offsetsAt(2) + 4, records = offsetsAt(2) + 8;
  const size_t recordsSize = good.size() - records;
  const uint32_t secondRecord = good.word(second);

  FormDescription out;
  const auto swapped = good.with(offsetsAt(2), secondRecord).with(second, 0);
  ASSERT_TRUE(decodeForm(swapped.data(), swapped.size(), 2, out));
  EXPECT_TRUE(out.windows[0].units[0].isMenuItem());
  EXPECT_EQ(out.windows[0].units[1].type, kWindowType);

  // Past the end, or onto the first record (two units on one record overlap).
  for (uint32_t offset : {uint32_t(recordsSize), uint32_t(recordsSize - 3), 0xFFFFFFFCu, 0u, 4u})
    EXPECT_FALSE(good.with(second, offset).decodes()) << offset;
  // The first record's length reaching into the second: the two overlap in part.
  EXPECT_FALSE(good.with(records, good.word(records) + 4).decodes());
  const size_t lengthAt = records + secondRecord;
  for (uint32_t length : {good.word(lengthAt) + 1, 0xFFFFFFFFu, 0x80000000u, 12u})
    EXPECT_FALSE(good.with(lengthAt, length).decodes()) << length;
  EXPECT_FALSE(good.with(32, 15).decodes());  // table length shorter than ids and offsets
}

TEST(FormCodec, BadCountsAndDuplicateWindowsFail) {
  const auto good = smallBlock({{0x06010000, control(kWindowType, {{1, 1}})}});
  ASSERT_TRUE(good.decodes());
  EXPECT_FALSE(good.with(0, 0xFFFFFFF8).decodes());  // negative window table length
  EXPECT_FALSE(good.with(0, 12).decodes());          // not a multiple of 8
  EXPECT_FALSE(good.with(0, 0x7FFFFFF8).decodes());  // more windows than bytes
  EXPECT_FALSE(good.with(28, 0).decodes());          // no unit 0
  EXPECT_FALSE(good.with(28, 0xFFFFFFFF).decodes());
  EXPECT_FALSE(good.with(28, 0x10000000).decodes());

  const size_t childCount = offsetsAt(1) + 8 + 4 * 6 + 2 + 4 * 7;
  const size_t bindingCount = childCount + 4 * 2 + 1 + 4 * 3;
  ASSERT_EQ(good.word(bindingCount), 1u);
  for (size_t at : {childCount, childCount + 4, bindingCount})
    for (uint32_t count : {0xFFFFFFFFu, 0x40000000u})
      EXPECT_EQ(good.with(at, count).decodes(), at == childCount + 4 && count == 0xFFFFFFFFu)
          << at << " " << count << ": only a byte buffer's negative count is its empty buffer";

  FormDescription twice;
  twice.windows.push_back(windowOf({{0x06010000, control(kWindowType)}}));
  twice.windows.push_back(twice.windows[0]);
  EXPECT_FALSE(decodes(twice, 0));
  twice.windows[1].id = 0x52010002;
  EXPECT_TRUE(decodes(twice, 0));
}

TEST(FormCodec, HandlerReferencesMustBeInRange) {
  auto withBinding = [](uint32_t handler) {
    FormDescription form;
    form.windows.push_back(windowOf({{0x06010000, control(kWindowType, {{0, handler}})}}));
    return form;
  };
  EXPECT_TRUE(decodes(withBinding(0), 1));
  EXPECT_FALSE(decodes(withBinding(0), 0));
  EXPECT_FALSE(decodes(withBinding(5), 5));
  EXPECT_TRUE(decodes(withBinding(kNoHandler), 0));

  FormDescription menu;
  menu.windows.push_back(windowOf({{0x06010000, control(kWindowType)}, {0x26000001, menuItem(3)}}));
  EXPECT_TRUE(decodes(menu, 4));
  EXPECT_FALSE(decodes(menu, 3));
}

TEST(FormDescription, MenuItemRunIsFirstConsecutiveRun) {
  EXPECT_EQ(windowOf({{1, control(kWindowType)}}).menuItemRun().length, 0);
  const auto w = windowOf({{1, control(kWindowType)},
                           {2, menuItem(0)},
                           {3, menuItem(0)},
                           {4, control(kEditBoxType)},
                           {5, menuItem(0)}});
  EXPECT_EQ(w.menuItemRun().start, 1);
  EXPECT_EQ(w.menuItemRun().length, 2);
}

TEST(FindHandler, BindingsAndMenuItems) {
  const auto w = windowOf({{1, control(kWindowType, {{0, 5}, {2, 6}, {2, 7}})},
                           {2, menuItem(9)},
                           {3, menuItem(kNoHandler)}});
  EXPECT_EQ(findHandler(w, 0, 0), 5u);
  EXPECT_EQ(findHandler(w, 0, 2), 6u);  // the first binding wins
  EXPECT_EQ(findHandler(w, 0, 1), kNoHandler);
  EXPECT_EQ(findHandler(w, 1, 123), 9u);
  EXPECT_EQ(findHandler(w, 2, 0), kNoHandler);
  EXPECT_EQ(findHandler(w, -1, 0), kNoHandler);
  EXPECT_EQ(findHandler(w, 3, 0), kNoHandler);
}

TEST(FindHandler, FollowsEventsOfChainWhileTypeMatches) {
  const auto w = windowOf({
      {1, control(kWindowType)},
      {10, control(kEditBoxType, {{1, 4}})},
      {11, control(kEditBoxType, {{1, 5}}, 10)},    // uses 10's bindings
      {12, control(kEditBoxType, {}, 11)},          // two steps
      {13, control(kStatusBarType, {{1, 6}}, 10)},  // other type: keeps its own
      {14, control(kEditBoxType, {{1, 7}}, 99)},    // missing unit: keeps its own
      {20, menuItem(2)},
      {21, menuItem(3, 20)},
      {22, menuItem(kNoHandler, 10)},             // an edit box is another type
      {30, control(kEditBoxType, {{1, 8}}, 31)},  // a cycle ends at the unit before
      {31, control(kEditBoxType, {{1, 9}}, 30)},  // the chain comes back
      {32, control(kEditBoxType, {{1, 10}}, 32)},
  });
  const std::pair<int, uint32_t> expected[] = {{2, 4}, {3, 4},  {4, 6},  {5, 7},
                                               {9, 9}, {10, 8}, {11, 10}};
  for (auto [unit, handler] : expected) EXPECT_EQ(findHandler(w, unit, 1), handler) << unit;
  EXPECT_EQ(findHandler(w, 7, 0), 2u);
  EXPECT_EQ(findHandler(w, 8, 0), kNoHandler);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>

#include "form/form_codec.h"
#include "form/property_blob.h"

namespace {

constexpr UnitId kMainWindow = 0x52010001;

UnitRecord control(TypeId type, std::vector<EventBinding> bindings = {}, UnitId eventsOf = 0) {
  UnitRecord u;
  u.type = type;
  u.eventsOf = eventsOf;
  u.bindings = std::move(bindings);
  return u;
}

UnitRecord menuItem(uint32_t click, UnitId eventsOf = 0) {
  UnitRecord u;
  u.type = kMenuItemType;
  u.clickHandler = click;
  u.eventsOf = eventsOf;
  return u;
}

WindowDescription windowOf(std::vector<std::pair<UnitId, UnitRecord>> units,
                           UnitId id = kMainWindow) {
  WindowDescription w;
  w.id = id;
  for (auto& [unitId, record] : units) {
    w.unitIds.push_back(unitId);
    w.units.push_back(std::move(record));
  }
  return w;
}

FormDescription sampleForm() {
  UnitRecord main = control(kWindowType, {{0, 0}, {3, kNoHandler}, {0, 7}});
  main.reserved[2] = 0x11223344;
  main.name = "main";
  main.comment = "the main window";
  main.left = -5;
  main.top = 50;
  main.width = 728;
  main.height = 430;
  main.children = {0x16000001, 0, 0x16000002};
  main.pointerData = {1, 2, 3, 4, 5};
  main.tag = "tag";
  main.reserved2 = 9;
  main.flags = kUnitVisible | kUnitTabStop;
  main.tabOrder = 3;
  main.reserved3[4] = 0xFFFFFFFF;
  PropertyBlob props(*blobLayoutFor(kWindowType));
  props.setText(WindowBlob::Caption, "Quenlo3.0");
  main.properties = props.write();

  UnitRecord edit = control(kEditBoxType, {{1, 2}});
  edit.parent = 0x06010000;
  edit.pointerData = {};
  edit.properties = {0xDE, 0xAD};

  UnitRecord open = menuItem(1);
  open.name = "open";
  open.caption = "\xB4\xF2\xBF\xAA";
  open.shortcut = 4;
  open.level = 1;
  open.menuFlags = kMenuChecked | kMenuHidden;
  UnitRecord quit = menuItem(kNoHandler);

  FormDescription form;
  form.windows.push_back(windowOf({{0x06010000, main},
                                   {0x16000001, edit},
                                   {0x26010006, open},
                                   {0x26010007, quit},
                                   {0x16000002, control(kStatusBarType)}}));
  form.windows.back().wordA = 1;
  form.windows.back().wordB = 0x19010002;
  form.windows.back().name = "Main";
  form.windows.back().comment = "";
  form.windows.push_back(windowOf({{0x06020000, control(kWindowType)}}, 0x52010002));
  return form;
}

// A one-window form with empty name and comment, so the unit table sits at fixed places.
struct SmallBlock {
  std::vector<uint8_t> bytes;
  size_t unitCount;
  size_t offsetsAt() const { return 36 + 4 * unitCount; }
  size_t recordsAt() const { return offsetsAt() + 4 * unitCount; }
  uint32_t word(size_t at) const {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  }
  void setWord(size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
  bool decodes(FormDescription& out, uint32_t handlers = 10) const {
    return decodeForm(bytes.data(), bytes.size(), handlers, out);
  }
};

SmallBlock smallBlock(std::vector<std::pair<UnitId, UnitRecord>> units) {
  FormDescription form;
  form.windows.push_back(windowOf(std::move(units)));
  return {encodeForm(form), form.windows[0].units.size()};
}

bool decodes(const FormDescription& form, uint32_t handlers) {
  const auto bytes = encodeForm(form);
  FormDescription out;
  return decodeForm(bytes.data(), bytes.size(), handlers, out);
}

TEST(FormCodec, RoundTripKeepsEveryField) {
  const FormDescription form = sampleForm();
  const auto bytes = encodeForm(form);
  FormDescription decoded;
  ASSERT_TRUE(decodeForm(bytes.data(), bytes.size(), 8, decoded));
  EXPECT_EQ(decoded, form);
  EXPECT_EQ(encodeForm(decoded), bytes);

  FormDescription empty;
  const auto none = encodeForm(empty);
  ASSERT_TRUE(decodeForm(none.data(), none.size(), 0, decoded));
  EXPECT_TRUE(decoded.windows.empty());
}

TEST(FormCodec, BlockLayoutStartsWithWindowTable) {
  const auto bytes = encodeForm(sampleForm());
  SmallBlock view{bytes, 0};
  EXPECT_EQ(view.word(0), 16u);
  EXPECT_EQ(view.word(4), kMainWindow);
  EXPECT_EQ(view.word(8), 0x52010002u);
  EXPECT_EQ(view.word(12), 0u);
  EXPECT_EQ(view.word(16), 0u);
  EXPECT_EQ(view.word(20), 1u);  // wordA of the first window
  EXPECT_EQ(view.word(28), 4u);  // name count
  EXPECT_EQ(std::memcmp(&bytes[32], "Main", 4), 0);
}

TEST(FormCodec, EveryTruncationFailsAndLeavesOutputAlone) {
  const auto bytes = encodeForm(sampleForm());
  FormDescription sentinel;
  sentinel.windows.emplace_back().id = 42;
  for (size_t n = 0; n < bytes.size(); ++n) {
    // A copy of exactly n bytes lets AddressSanitizer catch a read past the prefix.
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + n);
    FormDescription out = sentinel;
    ASSERT_FALSE(decodeForm(prefix.data(), prefix.size(), 8, out)) << n;
    ASSERT_EQ(out, sentinel) << n;
  }
  FormDescription out;
  EXPECT_FALSE(decodeForm(nullptr, 0, 8, out));
}

TEST(FormCodec, OffsetsLocateRecords) {
  auto block =
      smallBlock({{0x06010000, control(kWindowType)}, {0x16000001, control(kEditBoxType)}});
  const uint32_t first = block.word(block.offsetsAt());
  const uint32_t second = block.word(block.offsetsAt() + 4);
  EXPECT_EQ(first, 0u);
  block.setWord(block.offsetsAt(), second);
  block.setWord(block.offsetsAt() + 4, first);
  FormDescription out;
  ASSERT_TRUE(block.decodes(out));
  EXPECT_EQ(out.windows[0].units[0].type, kEditBoxType);
  EXPECT_EQ(out.windows[0].units[1].type, kWindowType);
}

TEST(FormCodec, BadOffsetsAndRecordLengthsFail) {
  const auto good = smallBlock({{0x06010000, control(kWindowType)}, {0x26000001, menuItem(1)}});
  const size_t recordsSize = good.bytes.size() - good.recordsAt();
  const size_t secondOffset = good.offsetsAt() + 4;
  const uint32_t secondRecord = good.word(secondOffset);
  FormDescription out;

  for (uint32_t offset : {uint32_t(recordsSize), uint32_t(recordsSize - 3), 0xFFFFFFFCu}) {
    auto bad = good;
    bad.setWord(secondOffset, offset);
    EXPECT_FALSE(bad.decodes(out)) << offset;
  }
  const size_t lengthAt = good.recordsAt() + secondRecord;
  const uint32_t length = good.word(lengthAt);
  for (uint32_t badLength : {length + 1, 0xFFFFFFFFu, 0x80000000u, 12u}) {
    auto bad = good;
    bad.setWord(lengthAt, badLength);
    EXPECT_FALSE(bad.decodes(out)) << badLength;
  }
  // The table length must cover the ids and offsets.
  auto shortTable = good;
  shortTable.setWord(32, 15);
  EXPECT_FALSE(shortTable.decodes(out));
}

TEST(FormCodec, BadCountsFail) {
  const auto good = smallBlock({{0x06010000, control(kWindowType, {{1, 1}})}});
  FormDescription out;
  ASSERT_TRUE(good.decodes(out));

  auto patched = [&](size_t at, uint32_t v) {
    auto b = good;
    b.setWord(at, v);
    return b.decodes(out);
  };
  EXPECT_FALSE(patched(0, 0xFFFFFFF8));  // negative window table length
  EXPECT_FALSE(patched(0, 12));          // not a multiple of 8
  EXPECT_FALSE(patched(0, 0x7FFFFFF8));  // more windows than bytes
  EXPECT_FALSE(patched(28, 0));          // no unit 0
  EXPECT_FALSE(patched(28, 0xFFFFFFFF));
  EXPECT_FALSE(patched(28, 0x10000000));

  // The child count follows the parent word at a fixed place in the record.
  const size_t record = good.recordsAt() + 4;
  const size_t childCount = record + 4 * 6 + 1 + 1 + 4 * 7;
  ASSERT_EQ(good.word(childCount), 0u);
  EXPECT_FALSE(patched(childCount, 0xFFFFFFFF));
  EXPECT_FALSE(patched(childCount, 0x40000000));
  const size_t pointerCount = childCount + 4;
  EXPECT_FALSE(patched(pointerCount, 0xFFFFFFFF));
  EXPECT_FALSE(patched(pointerCount, 0x7FFFFFFF));
}

TEST(FormCodec, DuplicateWindowIdsFail) {
  FormDescription form;
  form.windows.push_back(windowOf({{0x06010000, control(kWindowType)}}));
  form.windows.push_back(windowOf({{0x06020000, control(kWindowType)}}, 0x52010002));
  EXPECT_TRUE(decodes(form, 0));
  form.windows[1].id = form.windows[0].id;
  EXPECT_FALSE(decodes(form, 0));
}

TEST(FormCodec, StringsStopAtNulAndNonPositiveCountsAreEmpty) {
  FormDescription form;
  form.windows.push_back(windowOf({{0x06010000, control(kWindowType)}}));
  form.windows[0].name = std::string("ab\0cd", 5);
  auto bytes = encodeForm(form);
  FormDescription out;
  ASSERT_TRUE(decodeForm(bytes.data(), bytes.size(), 0, out));
  EXPECT_EQ(out.windows[0].name, "ab");

  form.windows[0].name.clear();
  SmallBlock block{encodeForm(form), 1};
  block.setWord(20, 0x80000000);
  ASSERT_TRUE(block.decodes(out));
  EXPECT_EQ(out.windows[0].name, "");
}

TEST(FormCodec, HandlerReferencesMustBeInRange) {
  auto withBinding = [](uint32_t handler) {
    FormDescription form;
    form.windows.push_back(windowOf({{0x06010000, control(kWindowType, {{0, handler}})}}));
    return form;
  };
  EXPECT_TRUE(decodes(withBinding(0), 1));
  EXPECT_FALSE(decodes(withBinding(0), 0));
  EXPECT_TRUE(decodes(withBinding(4), 5));
  EXPECT_FALSE(decodes(withBinding(5), 5));
  EXPECT_TRUE(decodes(withBinding(kNoHandler), 0));

  FormDescription menu;
  menu.windows.push_back(windowOf({{0x06010000, control(kWindowType)}, {0x26000001, menuItem(3)}}));
  EXPECT_TRUE(decodes(menu, 4));
  EXPECT_FALSE(decodes(menu, 3));
}

TEST(FormCodec, SlotsAreWrittenZeroAndIgnored) {
  auto withSlots = smallBlock({{0x06010000, control(kWindowType)}, {0x26000001, menuItem(1)}});
  FormDescription form;
  ASSERT_TRUE(withSlots.decodes(form));
  form.windows[0].units[1].slots[2] = 77;
  SmallBlock block{encodeForm(form), 2};
  EXPECT_EQ(block.bytes, withSlots.bytes);
  // Nonzero stored slots decode as zero: the menu record ends with its four slots.
  block.setWord(block.bytes.size() - 4, 0x12345678);
  block.setWord(4 + 4, 0xABCDEF);  // the window table's runtime slot
  FormDescription out;
  ASSERT_TRUE(block.decodes(out));
  EXPECT_EQ(out.windows[0].units[1].slots[3], 0u);
}

TEST(FormDescription, FindsWindowsAndUnits) {
  FormDescription form = sampleForm();
  ASSERT_NE(form.find(0x52010002), nullptr);
  EXPECT_EQ(form.find(0x52010002)->units.size(), 1u);
  EXPECT_EQ(form.find(0x52019999), nullptr);
  const auto& w = form.windows[0];
  EXPECT_EQ(w.find(0x06010000), 0);
  EXPECT_EQ(w.find(0x16000002), 4);
  EXPECT_EQ(w.find(0x16000003), -1);
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
  const auto trailing = windowOf({{1, control(kWindowType)}, {2, menuItem(0)}});
  EXPECT_EQ(trailing.menuItemRun().start, 1);
  EXPECT_EQ(trailing.menuItemRun().length, 1);
}

TEST(FindHandler, BindingsAndMenuItems) {
  const auto w = windowOf({{1, control(kWindowType, {{0, 5}, {2, 6}, {2, 7}, {-1, 8}})},
                           {2, menuItem(9)},
                           {3, menuItem(kNoHandler)}});
  EXPECT_EQ(findHandler(w, 0, 0), 5u);
  EXPECT_EQ(findHandler(w, 0, 2), 6u);  // the first binding wins
  EXPECT_EQ(findHandler(w, 0, -1), 8u);
  EXPECT_EQ(findHandler(w, 0, 1), kNoHandler);
  EXPECT_EQ(findHandler(w, 1, 0), 9u);
  EXPECT_EQ(findHandler(w, 1, 123), 9u);
  EXPECT_EQ(findHandler(w, 2, 0), kNoHandler);
  EXPECT_EQ(findHandler(w, -1, 0), kNoHandler);
  EXPECT_EQ(findHandler(w, 3, 0), kNoHandler);
}

TEST(FindHandler, FollowsEventsOfChainOfSameType) {
  const auto w = windowOf({
      {1, control(kWindowType)},
      {10, control(kEditBoxType, {{1, 4}})},
      {11, control(kEditBoxType, {{1, 5}}, 10)},    // uses 10's bindings
      {12, control(kEditBoxType, {}, 11)},          // two steps
      {13, control(kStatusBarType, {{1, 6}}, 10)},  // other type: keeps its own
      {14, control(kEditBoxType, {{1, 7}}, 99)},    // missing unit: keeps its own
      {20, menuItem(2)},
      {21, menuItem(3, 20)},
      {22, menuItem(kNoHandler, 10)},  // an edit box is another type
  });
  EXPECT_EQ(findHandler(w, 2, 1), 4u);
  EXPECT_EQ(findHandler(w, 3, 1), 4u);
  EXPECT_EQ(findHandler(w, 4, 1), 6u);
  EXPECT_EQ(findHandler(w, 5, 1), 7u);
  EXPECT_EQ(findHandler(w, 7, 0), 2u);
  EXPECT_EQ(findHandler(w, 8, 0), kNoHandler);
}

TEST(FindHandler, EventsOfCycleEnds) {
  const auto w = windowOf({
      {1, control(kWindowType)},
      {10, control(kEditBoxType, {{1, 4}}, 11)},
      {11, control(kEditBoxType, {{1, 5}}, 10)},
      {12, control(kEditBoxType, {{1, 6}}, 12)},  // names itself
  });
  EXPECT_EQ(findHandler(w, 1, 1), 5u);
  EXPECT_EQ(findHandler(w, 2, 1), 4u);
  EXPECT_EQ(findHandler(w, 3, 1), 6u);
}

}  // namespace

#include <gtest/gtest.h>

#include "form/property_blob.h"

namespace {

using namespace std::literals;
const BlobLayout& windowLayout = *blobLayoutFor(kWindowType);
const BlobLayout& editLayout = *blobLayoutFor(kEditBoxType);

std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t v : values)
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
  return out;
}

std::optional<PropertyBlob> readBytes(const BlobLayout& layout, const std::vector<uint8_t>& b) {
  return PropertyBlob::read(layout, b.data(), b.size());
}

TEST(PropertyBlob, EmptyDataGivesDefaults) {
  auto blob = PropertyBlob::read(windowLayout, nullptr, 0);
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->storedVersion(), 0u);
  EXPECT_EQ(blob->number(WindowBlob::BackColor), static_cast<int32_t>(0xFF000000));
  EXPECT_EQ(blob->number(WindowBlob::ShowInTaskbar), 1);
  EXPECT_EQ(blob->text(WindowBlob::Caption), "");
  EXPECT_FALSE(PropertyBlob(*blobLayoutFor(kTransLabelType)).text(TransLabelBlob::Caption).empty());
}

// Layouts pinned byte by byte from the format's own description, not from the layout table.

// A window blob as its version stores it: the numbers Border ... HelpContext, ShowInTaskbar
// from version 2, DragToMove and Shape from 3, AlwaysOnTop from 4, KeepTitleActive from 5,
// ClassName from 6, then BackPicture, BackMusic, Icon, Caption and HelpFile.
std::vector<uint8_t> windowBlobOfVersion(uint32_t version) {
  auto b = words({version, 1, 3, 0xFF000000, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0});
  auto add = [&b](std::vector<uint8_t> more) { b.insert(b.end(), more.begin(), more.end()); };
  if (version >= 2) add(words({0}));     // ShowInTaskbar
  if (version >= 3) add(words({1, 2}));  // DragToMove, Shape
  if (version >= 4) add(words({1}));     // AlwaysOnTop
  if (version >= 5) add(words({1}));     // KeepTitleActive
  if (version >= 6) add({3, 0, 0, 0, 'c', 'l', 's'});
  add(words({0, 0, 1}));  // BackPicture and BackMusic empty, Icon "I"
  add({'I', 9, 0, 0, 0, 'Q', 'u', 'e', 'n', 'l', 'o', '3', '.', '0'});
  add(words({0}));  // HelpFile
  return b;
}

TEST(PropertyBlob, WindowFieldsArriveWithTheVersionThatAddedThem) {
  struct Row {
    uint32_t version;
    int32_t showInTaskbar, dragToMove, shape, alwaysOnTop, keepTitleActive;
    const char* className;
  } rows[] = {
      {1, 1, 0, 0, 0, 0, ""}, {2, 0, 0, 0, 0, 0, ""}, {3, 0, 1, 2, 0, 0, ""},
      {4, 0, 1, 2, 1, 0, ""}, {5, 0, 1, 2, 1, 1, ""}, {6, 0, 1, 2, 1, 1, "cls"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.version);
    auto blob = readBytes(windowLayout, windowBlobOfVersion(r.version));
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->number(WindowBlob::PictureMode), 3);
    EXPECT_EQ(blob->number(WindowBlob::EscCloses), 1);
    EXPECT_EQ(blob->number(WindowBlob::ShowInTaskbar), r.showInTaskbar);
    EXPECT_EQ(blob->number(WindowBlob::DragToMove), r.dragToMove);
    EXPECT_EQ(blob->number(WindowBlob::Shape), r.shape);
    EXPECT_EQ(blob->number(WindowBlob::AlwaysOnTop), r.alwaysOnTop);
    EXPECT_EQ(blob->number(WindowBlob::KeepTitleActive), r.keepTitleActive);
    EXPECT_EQ(blob->text(WindowBlob::ClassName), r.className);
    EXPECT_EQ(blob->bytes(WindowBlob::Icon), (std::vector<uint8_t>{'I'}));
    EXPECT_EQ(blob->text(WindowBlob::Caption), "Quenlo3.0");
    EXPECT_EQ(blob->write(r.version), windowBlobOfVersion(r.version));
  }
}

TEST(PropertyBlob, EditBoxAndDropTargetWriteTheirStoredLayout) {
  // InputBox as the main window stores it: Border 1, black on white, HideSelection, no limit,
  // multi-line with a vertical scroll bar, left aligned, normal input, '*', no case conversion,
  // no spin button with the range 0 to 100, no selection, four bytes of font, empty texts.
  auto input = words({2, 1, 0x000000, 0xFFFFFF, 1, 0, 1, 2, 0, 0});
  input.insert(input.end(), {'*', 0});
  for (auto part : {words({0, 0, 0, 100, 0, 0, 4}), std::vector<uint8_t>{0xE8, 0xFF, 0xFF, 0xFF},
                    words({0, 0, 0})})
    input.insert(input.end(), part.begin(), part.end());

  PropertyBlob edit(editLayout);
  edit.setNumber(EditBoxBlob::Multiline, 1);
  edit.setNumber(EditBoxBlob::ScrollBars, 2);
  edit.setBytes(EditBoxBlob::Font, {0xE8, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(edit.write(), input) << "a fresh box has the spin range 0 to 100";
  auto back = readBytes(editLayout, input);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->number(EditBoxBlob::SpinMax), 100);
  EXPECT_EQ(back->number(EditBoxBlob::PasswordChar), '*');

  PropertyBlob drop(*blobLayoutFor(kDropTargetType));
  drop.setNumber(DropTargetBlob::AcceptText, 1);
  drop.setNumber(DropTargetBlob::AcceptFiles, 1);
  EXPECT_EQ(drop.write(), words({1, 1, 0, 0, 1}));
}

TEST(PropertyBlob, HandBuiltFieldsIncludingInt16AndInnerNul) {
  auto bytes = words({1, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  bytes.insert(bytes.end(), {0xFF, 0xFF});  // PasswordChar takes two bytes
  for (auto part : {words({10, 11, 12, 13, 14, 15, 2}), std::vector<uint8_t>{0, 0xAB}, words({3}),
                    std::vector<uint8_t>{'a', 0, 'b'}})
    bytes.insert(bytes.end(), part.begin(), part.end());
  auto blob = readBytes(editLayout, bytes);
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->number(EditBoxBlob::InputMode), 9);
  EXPECT_EQ(blob->number(EditBoxBlob::PasswordChar), -1);
  EXPECT_EQ(blob->number(EditBoxBlob::CaseConversion), 10);
  EXPECT_EQ(blob->number(EditBoxBlob::SelLength), 15);
  EXPECT_EQ(blob->bytes(EditBoxBlob::Font), (std::vector<uint8_t>{0, 0xAB}));
  EXPECT_EQ(blob->text(EditBoxBlob::Content), "a");
  EXPECT_EQ(blob->text(EditBoxBlob::DataSource), "");  // version 1 lacks it

  PropertyBlob edit(editLayout);
  EXPECT_EQ(edit.number(EditBoxBlob::PasswordChar), '*');
  edit.setNumber(EditBoxBlob::PasswordChar, 0x1234);
  EXPECT_EQ(edit.write()[40], 0x34);
  EXPECT_EQ(edit.write()[41], 0x12);
  EXPECT_EQ(edit.write()[42], 0);  // CaseConversion starts right after
}

TEST(PropertyBlob, OlderVersionKeepsDefaultsOfNewerFields) {
  PropertyBlob blob(windowLayout);
  blob.setNumber(WindowBlob::ShowInTaskbar, 0);
  blob.setNumber(WindowBlob::AlwaysOnTop, 1);
  blob.setText(WindowBlob::ClassName, "cls");
  blob.setText(WindowBlob::Caption, "title");

  const auto v1 = blob.write(1);
  EXPECT_EQ(v1.size() + 4 * 5 + 4 + 3, blob.write().size());
  auto old = readBytes(windowLayout, v1);
  ASSERT_TRUE(old);
  EXPECT_EQ(old->storedVersion(), 1u);
  EXPECT_EQ(old->number(WindowBlob::ShowInTaskbar), 1);
  EXPECT_EQ(old->number(WindowBlob::AlwaysOnTop), 0);
  EXPECT_EQ(old->text(WindowBlob::ClassName), "");
  EXPECT_EQ(old->text(WindowBlob::Caption), "title");

  auto v4 = readBytes(windowLayout, blob.write(4));
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->number(WindowBlob::AlwaysOnTop), 1);
  EXPECT_EQ(v4->text(WindowBlob::ClassName), "");
}

TEST(PropertyBlob, NewerTruncatedOrBadCountsAreRefused) {
  PropertyBlob blob(editLayout);
  EXPECT_FALSE(readBytes(editLayout, blob.write(editLayout.version + 1)));
  EXPECT_FALSE(readBytes(editLayout, blob.write(0xFFFFFFFF)));

  blob.setBytes(EditBoxBlob::Font, std::vector<uint8_t>(60, 1));
  blob.setText(EditBoxBlob::Content, "text");
  const auto bytes = blob.write();
  for (size_t n = 1; n < bytes.size(); ++n) {
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + n);
    EXPECT_FALSE(readBytes(editLayout, prefix)) << n;
  }

  EXPECT_FALSE(readBytes(*blobLayoutFor(kStatusBarType), words({1, 0, 0, 0, 1})));
}

TEST(PropertyBlob, CountsOfZeroOrLessAreEmpty) {
  const BlobLayout& label = *blobLayoutFor(kTransLabelType);
  for (uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {
    SCOPED_TRACE(count);
    // TextEffect ... WordWrap, Font, Caption.
    auto blob = readBytes(label, words({1, 0, 0xFF, 0, 1, 0, count, count}));
    ASSERT_TRUE(blob);
    EXPECT_TRUE(blob->bytes(TransLabelBlob::Font).empty());
    EXPECT_EQ(blob->text(TransLabelBlob::Caption), "");
    EXPECT_EQ(blob->number(TransLabelBlob::TextColor), 0xFF);
  }
}

}  // namespace

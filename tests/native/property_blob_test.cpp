#include <gtest/gtest.h>

#include "form/property_blob.h"

namespace {

const BlobLayout& layoutOf(TypeId type) { return *blobLayoutFor(type); }

std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t v : values)
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
  return out;
}

std::optional<PropertyBlob> readBytes(const BlobLayout& layout, const std::vector<uint8_t>& b) {
  return PropertyBlob::read(layout, b.data(), b.size());
}

TEST(PropertyBlob, LayoutsAreFoundByTypeAndName) {
  EXPECT_EQ(blobLayoutNamed("EditBox"), blobLayoutFor(kEditBoxType));
  EXPECT_EQ(blobLayoutNamed("window")->type, kWindowType);
  EXPECT_EQ(blobLayoutFor(kMenuItemType), nullptr);
  EXPECT_EQ(blobLayoutNamed("editbox"), nullptr);
  EXPECT_EQ(layoutOf(kEditBoxType).fieldIndex("PasswordChar"), EditBoxBlob::PasswordChar);
  EXPECT_EQ(layoutOf(kEditBoxType).fieldIndex("Nope"), -1);
}

TEST(PropertyBlob, EmptyDataGivesDefaults) {
  const auto& layout = layoutOf(kWindowType);
  auto blob = PropertyBlob::read(layout, nullptr, 0);
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->storedVersion(), 0u);
  EXPECT_EQ(blob->number(WindowBlob::BackColor), static_cast<int32_t>(0xFF000000));
  EXPECT_EQ(blob->number(WindowBlob::ShowInTaskbar), 1);
  EXPECT_EQ(blob->text(WindowBlob::Caption), "");
  EXPECT_TRUE(blob->bytes(WindowBlob::Icon).empty());

  const PropertyBlob label(layoutOf(kTransLabelType));
  EXPECT_FALSE(label.text(TransLabelBlob::Caption).empty());
  EXPECT_EQ(label.number(TransLabelBlob::VAlign), 1);
}

TEST(PropertyBlob, WriteThenReadKeepsValues) {
  const auto& layout = layoutOf(kEditBoxType);
  PropertyBlob blob(layout);
  blob.setNumber(EditBoxBlob::MaxLength, -7);
  blob.setNumber(EditBoxBlob::PasswordChar, -2);
  blob.setNumber(EditBoxBlob::SpinMax, 0x7FFFFFFF);
  blob.setBytes(EditBoxBlob::Font, {0, 1, 0, 2});
  blob.setText(EditBoxBlob::Content, std::string("hello\0world", 11));
  blob.setText(EditBoxBlob::DataColumn, "col");
  const auto bytes = blob.write();
  ASSERT_EQ(words({2}), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4));

  auto back = readBytes(layout, bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->storedVersion(), 2u);
  for (size_t i = 0; i < layout.fieldCount; ++i) {
    EXPECT_EQ(back->number(i), blob.number(i)) << layout.fields[i].name;
    EXPECT_EQ(back->bytes(i), blob.bytes(i)) << layout.fields[i].name;
  }
  EXPECT_EQ(back->text(EditBoxBlob::Content), "hello");
  EXPECT_EQ(back->bytes(EditBoxBlob::Font), (std::vector<uint8_t>{0, 1, 0, 2}));
}

TEST(PropertyBlob, HandBuiltBlobsReadFieldByField) {
  auto drop = readBytes(layoutOf(kDropTargetType), words({1, 1, 0, 5, 0xFFFFFFFF}));
  ASSERT_TRUE(drop);
  EXPECT_EQ(drop->number(DropTargetBlob::AcceptText), 1);
  EXPECT_EQ(drop->number(DropTargetBlob::AcceptUrl), 5);
  EXPECT_EQ(drop->number(DropTargetBlob::AcceptFiles), -1);

  // Text stops at an inner NUL; Bytes keep everything.
  auto status = words({1, 0, 0, 0, 3});
  status.insert(status.end(), {'a', 0, 'b'});
  const auto parts = words({2});
  status.insert(status.end(), parts.begin(), parts.end());
  status.insert(status.end(), {0, 9});
  status.insert(status.end(), {0, 0, 0, 0});
  auto bar = readBytes(layoutOf(kStatusBarType), status);
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->bytes(StatusBarBlob::Font), (std::vector<uint8_t>{'a', 0, 'b'}));
  EXPECT_EQ(bar->bytes(StatusBarBlob::ImageList), (std::vector<uint8_t>{0, 9}));

  auto label = words({1, 0, 0, 0, 0, 0, 0, 4});
  label.insert(label.end(), {'a', 'b', 0, 'c'});
  auto trans = readBytes(layoutOf(kTransLabelType), label);
  ASSERT_TRUE(trans);
  EXPECT_EQ(trans->text(TransLabelBlob::Caption), "ab");
}

TEST(PropertyBlob, Int16FieldTakesTwoBytes) {
  const auto& layout = layoutOf(kEditBoxType);
  PropertyBlob blob(layout);
  EXPECT_EQ(blob.number(EditBoxBlob::PasswordChar), '*');
  blob.setNumber(EditBoxBlob::PasswordChar, 0x1234);
  auto bytes = blob.write();
  // version + nine Int32 fields, then the two bytes, then CaseConversion.
  const size_t at = 4 + 9 * 4;
  EXPECT_EQ(bytes[at], 0x34);
  EXPECT_EQ(bytes[at + 1], 0x12);
  EXPECT_EQ(bytes[at + 2], 0);  // CaseConversion's low byte

  bytes[at] = 0xFF;
  bytes[at + 1] = 0xFF;
  bytes[at + 2] = 7;
  auto back = readBytes(layout, bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->number(EditBoxBlob::PasswordChar), -1);
  EXPECT_EQ(back->number(EditBoxBlob::CaseConversion), 7);
}

TEST(PropertyBlob, OlderVersionKeepsDefaultsOfNewerFields) {
  const auto& layout = layoutOf(kWindowType);
  PropertyBlob blob(layout);
  blob.setNumber(WindowBlob::ShowInTaskbar, 0);
  blob.setNumber(WindowBlob::AlwaysOnTop, 1);
  blob.setText(WindowBlob::ClassName, "cls");
  blob.setText(WindowBlob::Caption, "title");
  blob.setNumber(WindowBlob::HelpContext, 12);

  const auto v1 = blob.write(1);
  EXPECT_EQ(v1.size() + 4 * 5 + 4 + 3, blob.write().size());
  auto old = readBytes(layout, v1);
  ASSERT_TRUE(old);
  EXPECT_EQ(old->storedVersion(), 1u);
  EXPECT_EQ(old->number(WindowBlob::ShowInTaskbar), 1);
  EXPECT_EQ(old->number(WindowBlob::AlwaysOnTop), 0);
  EXPECT_EQ(old->text(WindowBlob::ClassName), "");
  EXPECT_EQ(old->text(WindowBlob::Caption), "title");
  EXPECT_EQ(old->number(WindowBlob::HelpContext), 12);

  auto v4 = readBytes(layout, blob.write(4));
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->number(WindowBlob::ShowInTaskbar), 0);
  EXPECT_EQ(v4->number(WindowBlob::AlwaysOnTop), 1);
  EXPECT_EQ(v4->text(WindowBlob::ClassName), "");

  auto zero = readBytes(layout, words({0}));
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->number(WindowBlob::Border), 1);
}

TEST(PropertyBlob, NewerVersionIsRefused) {
  for (TypeId type : {kWindowType, kEditBoxType, kDropTargetType}) {
    const auto& layout = layoutOf(type);
    PropertyBlob blob(layout);
    EXPECT_FALSE(readBytes(layout, blob.write(layout.version + 1)));
    EXPECT_FALSE(readBytes(layout, blob.write(0xFFFFFFFF)));
  }
}

TEST(PropertyBlob, TruncatedOrBadCountsAreRefused) {
  const auto& layout = layoutOf(kEditBoxType);
  PropertyBlob blob(layout);
  blob.setBytes(EditBoxBlob::Font, std::vector<uint8_t>(60, 1));
  blob.setText(EditBoxBlob::Content, "text");
  const auto bytes = blob.write();
  for (size_t n = 1; n < bytes.size(); ++n) {
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + n);
    EXPECT_FALSE(readBytes(layout, prefix)) << n;
  }

  auto counted = words({1, 0, 0, 0});
  for (uint32_t count : {0xFFFFFFFFu, 0x80000000u, 1u}) {
    auto b = counted;
    const auto c = words({count});
    b.insert(b.end(), c.begin(), c.end());
    EXPECT_FALSE(readBytes(layoutOf(kStatusBarType), b)) << count;
  }
}

}  // namespace

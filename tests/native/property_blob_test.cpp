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

TEST(PropertyBlob, WriteThenReadKeepsValues) {
  PropertyBlob blob(editLayout);
  blob.setNumber(EditBoxBlob::MaxLength, -7);
  blob.setNumber(EditBoxBlob::SpinMax, 0x7FFFFFFF);
  blob.setBytes(EditBoxBlob::Font, {0, 1, 0, 2});
  blob.setText(EditBoxBlob::Content, "hello\0world"s);
  blob.setText(EditBoxBlob::DataColumn, "col");
  const auto bytes = blob.write();
  EXPECT_EQ(words({2}), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4));

  auto back = readBytes(editLayout, bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->storedVersion(), 2u);
  for (size_t i = 0; i < editLayout.fieldCount; ++i) {
    EXPECT_EQ(back->number(i), blob.number(i)) << editLayout.fields[i].name;
    EXPECT_EQ(back->bytes(i), blob.bytes(i)) << editLayout.fields[i].name;
  }
  EXPECT_EQ(back->text(EditBoxBlob::Content), "hello");
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

  for (uint32_t count : {0xFFFFFFFFu, 0x80000000u, 1u})
    EXPECT_FALSE(readBytes(*blobLayoutFor(kStatusBarType), words({1, 0, 0, 0, count}))) << count;
}

}  // namespace

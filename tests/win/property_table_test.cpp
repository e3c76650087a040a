#include "ui/model/property_table.h"

#include <gtest/gtest.h>

#include "ui/components/drop_target/drop_target.h"
#include "ui/components/edit_box/edit_box.h"
#include "ui/components/file_dialog/file_dialog.h"
#include "ui/components/status_bar/status_bar.h"
#include "ui/components/timer/timer.h"
#include "ui/components/trans_label/trans_label.h"
#include "ui/components/window/window.h"
#include "ui/model/component_model.h"

namespace {

// Each type finds every property from its first to its last, and no other: an index below 8
// (the common ones, which the model serves) or past the last reaches no component and changes
// nothing, through the model's lookup and through the type's operations alike.
TEST(PropertyTable, EachTypeAnswersItsOwnIndicesOnly) {
  struct Case {
    TypeId type;
    int first, last;
  } cases[] = {
      {kWindowType, kWinCaption, kWinClassName},
      {kEditBoxType, kEditContent, kEditDataColumn},
      {kCommonDialogType, kDlgDialogType, kDlgHelpContext},
      {kStatusBarType, kBarBackColor, kBarParts},
      {kTransLabelType, kLabelCaption, kLabelVAlign},
      {kDropTargetType, kDropAcceptText, kDropAcceptFiles},
      {kTimerType, kTimerInterval, kTimerInterval},
  };
  Component none(0, 0);  // of no type: a row that took it for its own would crash
  for (const Case& c : cases) {
    const ComponentType& type = *componentType(c.type);
    SCOPED_TRACE(type.englishName);
    EXPECT_EQ(type.properties.size(), static_cast<size_t>(c.last - c.first + 1));
    for (int index = c.first; index <= c.last; ++index) {
      const PropertyRow* row = findProperty(type.properties, index);
      ASSERT_NE(row, nullptr) << index;
      EXPECT_EQ(row->index, index);
      EXPECT_TRUE(row->read && row->write) << index;
    }
    for (int index : {-1, 0, 7, c.last + 1, 1000}) {
      PropertyValue out(int32_t{42});
      EXPECT_FALSE(getProperty(type.properties, none, index, out)) << index;
      EXPECT_FALSE(type.operation<kOpGetProperty>()(&none, index - 8, out)) << index;
      EXPECT_EQ(out.asInt(), 42) << index;
      EXPECT_EQ(setProperty(type.properties, none, index, PropertyValue(1)), 0) << index;
      EXPECT_EQ(type.operation<kOpSetProperty>()(&none, index - 8, PropertyValue(1)), 0) << index;
    }
  }
}

int32_t gWritten;

// A written number reaches the component clamped into its row's limits; other values as they
// came.
TEST(PropertyTable, WrittenNumbersAreClampedIntoTheLimits) {
  auto read = [](const Component&, const PropertyRow&) { return PropertyValue(); };
  auto write = [](Component&, const PropertyRow&, const PropertyValue& v) {
    gWritten = v.asInt();
    return v.asText().isNull() ? 0 : 1;
  };
  const PropertyRow rows[] = {
      {8, kKindChoice, {0, 3}, read, write},
      {9, kKindInteger, {.min = 0}, read, write},
      {10, kKindInteger, {}, read, write},
  };
  struct Case {
    int index;
    int32_t written, received;
  } cases[] = {
      {8, -5, 0},
      {8, 2, 2},
      {8, 9, 3},
      {9, -1, 0},
      {9, INT32_MAX, INT32_MAX},
      {10, INT32_MIN, INT32_MIN},
  };
  Component none(0, 0);
  for (const Case& c : cases) {
    EXPECT_EQ(setProperty(rows, none, c.index, PropertyValue(c.written)), 0);
    EXPECT_EQ(gWritten, c.received) << c.index << " " << c.written;
  }
  EXPECT_EQ(setProperty(rows, none, 10, PropertyValue("text")), 1)
      << "an unlimited value unchanged";
}

}  // namespace

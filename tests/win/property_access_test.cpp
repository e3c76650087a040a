#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/probe_component.h"
#include "tests/win/test_support.h"
#include "ui/graphics/gdi.h"
#include "ui/model/value_conversion.h"

namespace {

class PropertyAccess : public ProbeWindow {};

TEST_F(PropertyAccess, GeometryIsClampedAndApplied) {
  writeProperty(kWin, kProbe, 2, 40000);
  EXPECT_EQ(readProperty(kWin, kProbe, 2).asInt(), 32627);
  writeProperty(kWin, kProbe, 3, -5);
  EXPECT_EQ(readProperty(kWin, kProbe, 3).asInt(), 0);
  writeProperty(kWin, kProbe, 0, -40000);
  EXPECT_EQ(readProperty(kWin, kProbe, 0).asInt(), -32627);
  writeProperty(kWin, kProbe, 1, 7);
  RECT r;
  GetWindowRect(hwndOf(kProbe), &r);
  MapWindowPoints(nullptr, hwndOf(0), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.left, -32627);  // moving keeps the other coordinate
  EXPECT_EQ(findLoadedWindow(kWin)->find(kProbe)->record->width, 32627);
  EXPECT_EQ(findLoadedWindow(kWin)->find(kProbe)->record->height, 0) << "stored clamped, too";
}

TEST_F(PropertyAccess, CommonFlagsFollowTheWindow) {
  writeProperty(kWin, kProbe, 6, 1);
  EXPECT_FALSE(IsWindowEnabled(hwndOf(kProbe)));
  EXPECT_EQ(readProperty(kWin, kProbe, 6).asInt(), 1);
  writeProperty(kWin, kProbe, 4, "tagged");
  EXPECT_STREQ(readProperty(kWin, kProbe, 4).c_str(), "tagged");
}

// The conversions themselves are checked natively; these show that writes and reads pass
// through them.
TEST_F(PropertyAccess, KindConversionsOnTheWayInAndOut) {
  writeProperty(kWin, kProbe, 8 + kLogical, 5);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kLogical).asInt(), 1);
  writeProperty(kWin, kProbe, 8 + kColour, kSystemDefaultColour);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kColour).low(), kSystemDefaultColour);
}

TEST_F(PropertyAccess, FontSubPropertiesUseTheScreensDpi) {
  ASSERT_EQ(screenDpiY(), 96) << "the expectations below are for a 96-dpi screen";
  // No font yet: the component's font reads as DEFAULT_GUI_FONT's.
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kFont, kFontSize).asInt(), defaultGuiFontPoints());
  writeProperty(kWin, kProbe, 8 + kFont, kFontSize, 5);
  LOGFONTA lf;
  std::memcpy(&lf, static_cast<Probe*>(resolveUnit(kWin, kProbe))->font.data(), sizeof lf);
  EXPECT_EQ(lf.lfHeight, -7);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kFont, kFontSize).asInt(), 5);
}

TEST_F(PropertyAccess, WritingThePointerDestroysThePreviousCursor) {
  const LoadedUnit* u = findLoadedWindow(kWin)->find(kProbe);
  for (uint8_t kind : {3, 11, 0}) {
    HCURSOR previous = u->cursor;
    const uint8_t data[] = {kind, 0, 0, 0};
    writeProperty(kWin, kProbe, 7, PropertyValue(ByteBuffer::copyOf(data, sizeof data)));
    if (previous) {
      EXPECT_FALSE(isCursor(previous)) << "before kind " << int{kind};
    }
    EXPECT_EQ(u->cursor != nullptr, kind != 0);
  }
}

TEST_F(PropertyAccess, MenuItemPropertiesComeFromFlags) {
  EXPECT_STREQ(readProperty(kWin, kItem, 0).c_str(), "Item");
  EXPECT_EQ(readProperty(kWin, kItem, 3).asInt(), 1);
  EXPECT_EQ(readProperty(kWin, kItem, 1).asInt(), 0);
  EXPECT_TRUE(readProperty(kWin, kItem, 9).asText().isNull());
}

TEST_F(PropertyAccess, AccessWithoutTheWindowIsFatal) {
  EXPECT_EQ(fatalMessage([] { readProperty(0x52000999, kProbe, 0); }),
            "未载入欲访问窗口组件所在的窗口");
  DestroyWindow(hwndOf(kProbe));
  EXPECT_EQ(fatalMessage([] { writeProperty(kWin, kProbe, 8, 1); }),
            "修改组件属性时发现指定窗口尚未载入");
  EXPECT_EQ(fatalMessage([] { readProperty(kWin, kProbe, 8); }),
            "读取组件属性时发现指定窗口尚未载入");
  // Common properties still answer from the record.
  EXPECT_EQ(readProperty(kWin, kProbe, 2).asInt(), 100);
}

}  // namespace

#include "ui/model/general_events.h"

#include <gtest/gtest.h>

namespace {

TEST(GeneralEvents, KeypadFoldsOntoMainKeyboard) {
  EXPECT_EQ(foldKeyCode(0x60), '0');
  EXPECT_EQ(foldKeyCode(0x69), '9');
  EXPECT_EQ(foldKeyCode(0x6D), 189);
  EXPECT_EQ(foldKeyCode(0x6E), 190);
  EXPECT_EQ(foldKeyCode(0x6F), 191);
  EXPECT_EQ(foldKeyCode('A'), 'A');
  EXPECT_EQ(foldKeyCode(0x1041), 0x41);  // low byte only
}

TEST(GeneralEvents, KeyIsNotItsOwnModifier) {
  EXPECT_EQ(keyModifiers(true, false, false, 0x11), 0);
  EXPECT_EQ(keyModifiers(true, true, false, 0x10), 1);
  EXPECT_EQ(keyModifiers(true, true, true, 0x12), 3);
  EXPECT_EQ(keyModifiers(true, true, true, 'A'), 7);
}

TEST(GeneralEvents, WheelNotchesTruncateTowardZero) {
  auto wp = [](int delta) { return static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16; };
  EXPECT_EQ(wheelNotches(wp(240)), 2);
  EXPECT_EQ(wheelNotches(wp(-60)), 0);
  EXPECT_EQ(wheelNotches(wp(-120)), -1);
  EXPECT_EQ(wheelNotches(wp(119)), 0);
  EXPECT_EQ(wheelNotches(wp(-360) | 0x8), -3);
}

}  // namespace

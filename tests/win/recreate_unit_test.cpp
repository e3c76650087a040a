#include <gtest/gtest.h>

#include "tests/support/probe_component.h"

namespace {

class RecreateUnit : public ProbeWindow {};

TEST_F(RecreateUnit, ReplacesTheObjectInPlace) {
  HWND before = hwndOf(kProbe);
  HWND above = GetWindow(before, GW_HWNDPREV);
  int created = Probe::created;
  writeProperty(kWin, kProbe, 8 + kChoice, 0);  // unchanged: no re-creation
  EXPECT_EQ(Probe::created, created);
  writeProperty(kWin, kProbe, 8 + kChoice, 3);
  EXPECT_EQ(Probe::created, created + 1);
  HWND after = hwndOf(kProbe);
  EXPECT_NE(after, before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(GetWindow(after, GW_HWNDPREV), above);
  EXPECT_EQ(GetDlgCtrlID(after), 110);
  EXPECT_EQ(readProperty(kWin, kProbe, 8 + kChoice).asInt(), 3);  // carried by saveProperties
  EXPECT_EQ(eventHoldCount(), 0);
}

}  // namespace

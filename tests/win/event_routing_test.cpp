#include <gtest/gtest.h>

#include "tests/support/probe_component.h"

namespace {

class EventRouting : public ProbeWindow {};

TEST_F(EventRouting, EventsFindTheFirstBindingAndHonourHolds) {
  EventRecord r{kWin, kProbe, 5};
  EXPECT_EQ(raiseEvent(r), 1);
  EXPECT_EQ(gSeen, (std::vector<std::pair<UnitId, int32_t>>{{kProbe, 5}}));
  holdEvents();
  EventRecord held{kWin, kProbe, 5};
  EXPECT_EQ(raiseEvent(held), 0);
  releaseEvents();
  releaseEvents();  // never below 0
  EXPECT_EQ(eventHoldCount(), 0);
  EventRecord unbound{kWin, kProbe, 99};
  EXPECT_EQ(raiseEvent(unbound), 0);
}

TEST_F(EventRouting, RefusalNeedsAnExplicitFalse) {
  EventRecord refusedRecord{kWin, kProbe, 6};
  raiseEvent(refusedRecord);
  EXPECT_TRUE(refused(refusedRecord));
  EventRecord silent{kWin, kProbe, 5};
  raiseEvent(silent);
  EXPECT_FALSE(refused(silent));
}

TEST_F(EventRouting, EventsOfChainAndMenuItems) {
  EventRecord viaLink{kWin, kSecond, 5};
  EXPECT_EQ(raiseEvent(viaLink), 1);  // kSecond borrows kProbe's bindings
  EventRecord click{kWin, kItem, 0};
  EXPECT_EQ(raiseEvent(click), 1);
  EventRecord own{kWin, 0, 0};
  EXPECT_EQ(raiseEvent(own), 1);
  EXPECT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[2].first, 0u);
}

TEST_F(EventRouting, AnEventFromNoValidUnitIsFatal) {
  EXPECT_EQ(fatalMessage([] {
              EventRecord r{kWin, kSilent, 0};
              raiseEvent(r);
            }),
            "引发事件的窗口组件无效");
  EXPECT_EQ(fatalMessage([] {
              EventRecord r{kWin, 0x16990077, 0};
              raiseEvent(r);
            }),
            "未找到引发事件的窗口组件");
}

}  // namespace

#include "ui/timer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win/test_support.h"
#include "ui/component_model.h"
#include "ui/window.h"

namespace {

constexpr UnitId kWin = 0x52600001, kRunning = 0x16600001, kStopped = 0x16600002;

class TimerTest : public testing::Test {
 protected:
  void SetUp() override {
    useTestForm("timer");
    ASSERT_TRUE(loadWindow(kWin, false, nullptr));
    clearEventLog();
  }
  void TearDown() override {
    if (LoadedWindow* w = findLoadedWindow(kWin)) DestroyWindow(w->hwnd());
    pumpMessages();
  }
  size_t ticksOf(UnitId unit) {
    const auto events = eventsOf(unit);
    return static_cast<size_t>(std::count(events.begin(), events.end(), kTimerTick));
  }
  // Pumps until `unit` has ticked `n` times, for at most 5 s.
  bool ticks(UnitId unit, size_t n) {
    for (int waited = 0; waited < 5000 && ticksOf(unit) < n; waited += 10) pumpMessages(10);
    return ticksOf(unit) >= n;
  }
  void setInterval(UnitId unit, int32_t ms) { writeProperty(kWin, unit, kTimerInterval, ms); }
  int32_t interval(UnitId unit) { return readProperty(kWin, unit, kTimerInterval).asInt(); }
};

TEST_F(TimerTest, TicksEveryIntervalUntilItIsZero) {
  EXPECT_EQ(interval(kRunning), 20);
  EXPECT_TRUE(ticks(kRunning, 3)) << "the stored interval runs from the creation on";
  EXPECT_FALSE(IsWindowVisible(resolveUnit(kWin, kRunning)->hwnd()));

  setInterval(kRunning, 0);
  clearEventLog();
  pumpMessages(200);
  EXPECT_EQ(ticksOf(kRunning), 0u);

  EXPECT_EQ(ticksOf(kStopped), 0u);
  setInterval(kStopped, 15);
  EXPECT_EQ(interval(kStopped), 15);
  EXPECT_TRUE(ticks(kStopped, 2));
  setInterval(kStopped, -5);
  EXPECT_EQ(interval(kStopped), 0) << "a negative interval stops the timer";
  clearEventLog();
  pumpMessages(200);
  EXPECT_EQ(ticksOf(kStopped), 0u);
}

}  // namespace

#include "ui/components/timer/timer.h"

#include <gtest/gtest.h>

#include "tests/win/test_support.h"
#include "ui/model/component_model.h"
#include "ui/loop/window_loading.h"

namespace {

constexpr UnitId kWin = 0x52600001, kTimer = 0x16600001;

// Pumps messages for up to `ms` until the timer has ticked `n` times; its tick count.
size_t ticks(size_t n, int ms = 5000) {
  for (int waited = 0; waited < ms && eventsOf(kTimer).size() < n; waited += 10) pumpMessages(10);
  return eventsOf(kTimer).size();
}

TEST(Timer, TicksEveryIntervalWhileItIsAboveZero) {
  useTestForm("timer");
  ASSERT_TRUE(loadWindow(kWin, false, nullptr));
  clearEventLog();
  EXPECT_GE(ticks(3), 3u) << "the stored interval runs from the creation on";
  EXPECT_FALSE(IsWindowVisible(resolveUnit(kWin, kTimer)->hwnd()));
  for (int32_t stopped : {0, -5}) {
    writeProperty(kWin, kTimer, kTimerInterval, stopped);
    EXPECT_EQ(readProperty(kWin, kTimer, kTimerInterval).asInt(), 0);
    clearEventLog();
    EXPECT_EQ(ticks(1, 200), 0u);
    writeProperty(kWin, kTimer, kTimerInterval, 15);
    EXPECT_GE(ticks(2), 2u);
  }
  DestroyWindow(findLoadedWindow(kWin)->hwnd());
  pumpMessages();
}

}  // namespace

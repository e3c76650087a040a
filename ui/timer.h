#pragma once
#include <cstdint>

// The timer component ("时钟"): raises its tick event every Interval milliseconds while
// Interval is above 0. It never shows a window.

enum TimerProperty : int {
  kTimerInterval = 8,  // milliseconds; 0 (or less) stops the timer
};

enum TimerEvent : int32_t {
  kTimerTick = 0,
};

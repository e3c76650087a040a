#include "ui/model/general_events.h"

namespace {
constexpr uint32_t kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12;
constexpr uint32_t kVkNumpad0 = 0x60, kVkNumpad9 = 0x69;
constexpr uint32_t kVkSubtract = 0x6D, kVkDecimal = 0x6E, kVkDivide = 0x6F;
}  // namespace

int32_t foldKeyCode(uint32_t virtualKey) {
  uint32_t key = virtualKey & 0xFF;
  if (key >= kVkNumpad0 && key <= kVkNumpad9) return static_cast<int32_t>('0' + key - kVkNumpad0);
  if (key == kVkSubtract) return 189;
  if (key == kVkDecimal) return 190;
  if (key == kVkDivide) return 191;
  return static_cast<int32_t>(key);
}

int32_t keyModifiers(bool ctrl, bool shift, bool alt, uint32_t keyOfEvent) {
  uint32_t key = keyOfEvent & 0xFF;
  int32_t m = 0;
  if (ctrl && key != kVkControl) m |= 1;
  if (shift && key != kVkShift) m |= 2;
  if (alt && key != kVkMenu) m |= 4;
  return m;
}

int32_t wheelNotches(uint32_t wParam) {
  auto delta = static_cast<int16_t>(wParam >> 16);
  return delta / 120;  // C++ division truncates toward zero
}

#pragma once
#include <cstdint>

// Argument rules of the general key and wheel events, free of any window system.

// The low byte of a virtual-key code, with the numeric keypad folded onto the main keyboard.
int32_t foldKeyCode(uint32_t virtualKey);
// Modifier bits (1 Ctrl, 2 Shift, 4 Alt) given which of the three keys are down; the key of
// a key event is not its own modifier.
int32_t keyModifiers(bool ctrl, bool shift, bool alt, uint32_t keyOfEvent);
// Signed high word of wParam / 120, truncated toward zero.
int32_t wheelNotches(uint32_t wParam);

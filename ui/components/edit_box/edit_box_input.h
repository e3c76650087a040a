#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The edit box's input modes, kept free of the window system: which typed characters a mode
// lets through, how modes 5-11 rewrite the text when the box loses the focus, and the spin
// button's wrapping step.

enum EditInputMode : int {
  kInputNormal = 0,
  kInputReadOnly,
  kInputPassword,
  kInputIntegerText,
  kInputDecimalText,
  kInputByte,
  kInputShort,
  kInputInteger,
  kInputLong,
  kInputSingle,
  kInputDouble,
  kInputDateTime,
};
constexpr int kLastInputMode = kInputDateTime;

// Whether a character typed in `mode` (a WM_CHAR code) reaches the control. Codes below 32
// are control characters (Backspace, Ctrl+C, ...) and always pass.
bool acceptsChar(int mode, uint32_t code);

// Whether a box in `mode` rewrites its text when it loses the focus (the numeric and date modes).
bool normalizesOnFocusLoss(int mode);
// The text a box in `mode` shows after losing the focus, or nullopt for the modes that leave
// the text alone (0 to 4).
std::optional<std::string> normalizeOnFocusLoss(int mode, std::string_view text);

// The leading integer of a text: blanks, an optional sign, digits; 0 without digits. Values
// beyond the 64-bit range saturate.
int64_t parseLeadingInteger(std::string_view text);
// The leading decimal number (sign, digits, '.', exponent); 0 without digits. Values beyond
// the double range saturate to the largest finite value.
double parseLeadingNumber(std::string_view text);

struct DateTime {
  int year = 1899, month = 12, day = 30;  // the zero date-time
  int hour = 0, minute = 0, second = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};
// Accepts "2024年3月5日", optionally followed by "14时", "14时30分" or "14时30分15秒", and the
// numeric forms "2024-3-5", "2024/3/5" and "2024.3.5", optionally followed by a blank or 'T'
// and "14:30" or "14:30:15". Blanks around the parts are allowed. Years run from 100 to 9999.
std::optional<DateTime> parseDateTime(std::string_view text);
// "%d年%d月%d日" followed by the time in the shortest form that keeps it.
std::string formatDateTime(const DateTime& value);

// The byte offset of character `characters` in a GBK text (past the end: the text's size), for
// controls that count selection positions in characters rather than bytes.
size_t gbkByteOffset(std::string_view text, size_t characters);

// The spin button's automatic step: `current` moved by one (up for delta >= 0), wrapping to
// the other end of the range [min(endA, endB), max(endA, endB)] when it leaves it.
int32_t spinStep(int64_t current, int delta, int32_t endA, int32_t endB);

#include "ui/components/edit_box/edit_box_input.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void skipBlanks(std::string_view& s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
}

// Reads an unsigned decimal number of at most `maxDigits` digits.
std::optional<int> takeNumber(std::string_view& s, size_t maxDigits) {
  size_t n = 0;
  int value = 0;
  while (n < s.size() && isDigit(s[n])) {
    if (n == maxDigits) return std::nullopt;
    value = value * 10 + (s[n] - '0');
    ++n;
  }
  if (n == 0) return std::nullopt;
  s.remove_prefix(n);
  return value;
}

bool takeWord(std::string_view& s, std::string_view word) {
  skipBlanks(s);
  if (!s.starts_with(word)) return false;
  s.remove_prefix(word.size());
  skipBlanks(s);
  return true;
}

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

bool isValid(const DateTime& d) {
  return d.year >= 100 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= daysInMonth(d.year, d.month) && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 &&
         d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

// "Y年M月D日" with the optional "H时", "M分", "S秒" in this order.
bool parseChineseForm(std::string_view s, DateTime& d) {
  static const std::string_view kUnits[] = {"年", "月", "日", "时", "分", "秒"};
  int* fields[] = {&d.year, &d.month, &d.day, &d.hour, &d.minute, &d.second};
  size_t next = 0;
  skipBlanks(s);
  while (!s.empty()) {
    auto value = takeNumber(s, 4);
    if (!value) return false;
    size_t unit = next;
    while (unit < std::size(kUnits) && !takeWord(s, kUnits[unit])) ++unit;
    // The date is required in full; the time parts may be left out.
    if (unit == std::size(kUnits) || (next < 3 && unit != next)) return false;
    *fields[unit] = *value;
    next = unit + 1;
  }
  return next >= 3;
}

// "Y-M-D", "Y/M/D" or "Y.M.D", then optionally "H:M" or "H:M:S".
bool parseNumericForm(std::string_view s, DateTime& d) {
  skipBlanks(s);
  auto year = takeNumber(s, 4);
  if (!year || s.empty()) return false;
  char separator = s.front();
  if (separator != '-' && separator != '/' && separator != '.') return false;
  s.remove_prefix(1);
  auto month = takeNumber(s, 2);
  if (!month || !s.starts_with(separator)) return false;
  s.remove_prefix(1);
  auto day = takeNumber(s, 2);
  if (!day) return false;
  d.year = *year;
  d.month = *month;
  d.day = *day;
  if (!s.empty() && (s.front() == 'T' || isBlank(s.front()))) s.remove_prefix(1);
  skipBlanks(s);
  if (s.empty()) return true;
  auto hour = takeNumber(s, 2);
  if (!hour || !s.starts_with(':')) return false;
  s.remove_prefix(1);
  auto minute = takeNumber(s, 2);
  if (!minute) return false;
  d.hour = *hour;
  d.minute = *minute;
  if (s.starts_with(':')) {
    s.remove_prefix(1);
    auto second = takeNumber(s, 2);
    if (!second) return false;
    d.second = *second;
  }
  skipBlanks(s);
  return s.empty();
}

std::string formatInteger(int64_t v) { return std::to_string(v); }

std::string formatReal(const char* format, double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, v + 0.0);  // + 0.0 turns -0 into 0
  return buffer;
}

// Single precision, without the undefined conversion of an out-of-range double.
double roundToSingle(double v) {
  v = std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
  return static_cast<float>(v);
}

std::string normalizedNumber(int mode, std::string_view text) {
  switch (mode) {
    case kInputByte:
      return formatInteger(std::clamp<int64_t>(parseLeadingInteger(text), 0, 255));
    case kInputShort:
      return formatInteger(std::clamp<int64_t>(parseLeadingInteger(text), -32768, 32767));
    case kInputInteger:
      return formatInteger(std::clamp<int64_t>(parseLeadingInteger(text), INT32_MIN, INT32_MAX));
    case kInputLong:
      return formatInteger(parseLeadingInteger(text));
    case kInputSingle:
      return formatReal("%.6g", roundToSingle(parseLeadingNumber(text)));
    default:
      return formatReal("%.13g", parseLeadingNumber(text));
  }
}

}  // namespace

bool acceptsChar(int mode, uint32_t code) {
  if (code < 32) return true;
  bool digit = code >= '0' && code <= '9';
  switch (mode) {
    case kInputReadOnly:
      return false;
    case kInputByte:
      return digit;
    case kInputIntegerText:
    case kInputShort:
    case kInputInteger:
    case kInputLong:
      return digit || code == '-';
    case kInputDecimalText:
    case kInputSingle:
    case kInputDouble:
      return digit || code == '-' || code == '.';
    default:
      return true;
  }
}

bool normalizesOnFocusLoss(int mode) { return mode >= kInputByte && mode <= kLastInputMode; }

std::optional<std::string> normalizeOnFocusLoss(int mode, std::string_view text) {
  if (!normalizesOnFocusLoss(mode)) return std::nullopt;
  if (mode == kInputDateTime) {
    auto value = parseDateTime(text);
    return value && *value != DateTime{} ? formatDateTime(*value) : std::string();
  }
  std::string result = normalizedNumber(mode, text);
  if (result == "0") result.clear();
  return result;
}

int64_t parseLeadingInteger(std::string_view text) {
  skipBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Accumulate towards the negative side, which holds one more value.
  int64_t value = 0;
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  for (char c : text) {
    if (!isDigit(c)) break;
    int digit = c - '0';
    value = value < (kMin + digit) / 10 ? kMin : value * 10 - digit;
  }
  if (negative) return value;
  return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

double parseLeadingNumber(std::string_view text) {
  skipBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Digits or a point must come first: from_chars would also take "inf" and "nan".
  if (text.empty() || !(isDigit(text.front()) || text.front() == '.')) return 0;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    // strtod tells overflow (HUGE_VAL) from underflow; the prefix is known to be a number.
    value = std::strtod(std::string(text.data(), end).c_str(), nullptr);
    value = std::isinf(value) ? DBL_MAX : 0.0;
  } else if (error != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

std::optional<DateTime> parseDateTime(std::string_view text) {
  DateTime d;
  if (!parseChineseForm(text, d)) {
    d = DateTime{};
    if (!parseNumericForm(text, d)) return std::nullopt;
  }
  if (!isValid(d)) return std::nullopt;
  return d;
}

std::string formatDateTime(const DateTime& d) {
  char buffer[96];
  int n = std::snprintf(buffer, sizeof buffer, "%d年%d月%d日", d.year, d.month, d.day);
  size_t room = sizeof buffer - static_cast<size_t>(n);
  if (d.second != 0)
    std::snprintf(buffer + n, room, "%d时%d分%d秒", d.hour, d.minute, d.second);
  else if (d.minute != 0)
    std::snprintf(buffer + n, room, "%d时%d分", d.hour, d.minute);
  else if (d.hour != 0)
    std::snprintf(buffer + n, room, "%d时", d.hour);
  return buffer;
}

size_t gbkByteOffset(std::string_view text, size_t characters) {
  size_t offset = 0;
  for (; characters > 0 && offset < text.size(); --characters) {
    bool lead =
        static_cast<uint8_t>(text[offset]) >= 0x81 && static_cast<uint8_t>(text[offset]) != 0xFF;
    offset += lead && offset + 1 < text.size() ? 2 : 1;
  }
  return offset;
}

int32_t spinStep(int64_t current, int delta, int32_t endA, int32_t endB) {
  int64_t low = std::min(endA, endB), high = std::max(endA, endB);
  int64_t next = current;
  if (delta >= 0 && current < std::numeric_limits<int64_t>::max()) ++next;
  if (delta < 0 && current > std::numeric_limits<int64_t>::min()) --next;
  if (next > high) return static_cast<int32_t>(low);
  if (next < low) return static_cast<int32_t>(high);
  return static_cast<int32_t>(next);
}

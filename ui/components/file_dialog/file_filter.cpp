#include "ui/components/file_dialog/file_filter.h"

namespace {

bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool isBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Length of the character at s[i]: 2 for a lead byte with a byte after it, else 1.
size_t charLength(std::string_view s, size_t i) {
  return isLeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
}

std::string_view trimTrailingBlanks(std::string_view s) {
  size_t end = 0;
  for (size_t i = 0; i < s.size(); i += charLength(s, i))
    if (!isBlank(s[i])) end = i + charLength(s, i);
  return s.substr(0, end);
}

// True when the last two characters are single-byte "|".
bool endsWithDoubleBar(std::string_view s) {
  size_t last = std::string_view::npos, beforeLast = std::string_view::npos;
  for (size_t i = 0; i < s.size(); i += charLength(s, i)) {
    beforeLast = last;
    last = i;
  }
  auto isBar = [&](size_t i) { return i != std::string_view::npos && s[i] == '|'; };
  return isBar(last) && isBar(beforeLast);
}

}  // namespace

std::string fileDialogFilter(std::string_view filter) {
  std::string out(trimTrailingBlanks(filter.substr(0, filter.find('\0'))));
  if (out.empty()) return out;
  bool terminated = endsWithDoubleBar(out);
  for (size_t i = 0; i < out.size(); i += charLength(out, i))
    if (out[i] == '|') out[i] = '\0';
  // Appended after the split, so that a lone lead byte at the end cannot take a bar with it.
  if (!terminated) out.append(2, '\0');
  return out;
}

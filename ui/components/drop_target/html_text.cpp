#include "ui/components/drop_target/html_text.h"

#include <cstdint>

#include "runtime/document_encoding.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isTrail(unsigned char c) { return (c & 0xC0) == 0x80; }

// Sequence length announced by a lead byte and the bounds of its first trail byte (which
// exclude overlong forms, surrogates and values past U+10FFFF); 0 for an invalid lead.
struct Lead {
  int length;
  unsigned char low, high;
};

Lead leadOf(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return {2, 0x80, 0xBF};
  if (c == 0xE0) return {3, 0xA0, 0xBF};
  if (c == 0xED) return {3, 0x80, 0x9F};
  if (c >= 0xE1 && c <= 0xEF) return {3, 0x80, 0xBF};
  if (c == 0xF0) return {4, 0x90, 0xBF};
  if (c >= 0xF1 && c <= 0xF3) return {4, 0x80, 0xBF};
  if (c == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    Lead lead = leadOf(c);
    uint32_t cp = c & (0x7F >> lead.length);
    size_t n = 1;
    for (; lead.length && n < static_cast<size_t>(lead.length) && i + n < utf8.size(); ++n) {
      auto t = static_cast<unsigned char>(utf8[i + n]);
      bool fits = n == 1 ? t >= lead.low && t <= lead.high : isTrail(t);
      if (!fits) break;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (lead.length && n == static_cast<size_t>(lead.length))
      appendUtf16(out, cp);
    else
      out += kReplacement;
    i += n;
  }
  return out;
}

std::u16string htmlToUtf16(std::string_view utf8) {
  std::u16string wide = utf8ToUtf16(utf8);
  for (char16_t& c : wide)
    if (c == 0x00A0) c = u' ';
  return wide;
}

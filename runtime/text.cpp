#include "runtime/text.h"

#include <cstring>

#include "runtime/heap.h"

Text::~Text() { runtimeFree(chars_); }

Text Text::copyOf(std::string_view s) {
  s = s.substr(0, s.find('\0'));
  if (s.empty()) return Text();
  auto* chars = static_cast<char*>(runtimeAlloc(s.size() + 1));
  if (!chars) return Text();
  std::memcpy(chars, s.data(), s.size());
  chars[s.size()] = '\0';
  return Text(chars);
}

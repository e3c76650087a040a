#include "ui/components/drop_target/dropped_files.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t kHeaderSize = 20;
constexpr size_t kWideFlagOffset = 16;

uint32_t loadWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Each name followed by CR LF; the count of names goes to `count`.
std::optional<std::string> ansiNames(std::span<const uint8_t> list, size_t& count) {
  std::string text;
  const auto* p = reinterpret_cast<const char*>(list.data());
  size_t left = list.size();
  while (const void* zero = std::memchr(p, 0, left)) {
    const auto length = static_cast<size_t>(static_cast<const char*>(zero) - p);
    if (length == 0) return text;
    text.append(p, length).append("\r\n");
    ++count;
    p += length + 1;
    left -= length + 1;
  }
  return std::nullopt;
}

std::optional<std::string> wideNames(std::span<const uint8_t> list, WideNameToAnsi toAnsi,
                                     size_t& count) {
  std::string text;
  std::u16string name;
  for (size_t i = 0; i + 1 < list.size(); i += 2) {
    const auto unit = static_cast<char16_t>(list[i] | list[i + 1] << 8);
    if (unit != 0) {
      name += unit;
      continue;
    }
    if (name.empty()) return text;
    text.append(toAnsi(name)).append("\r\n");
    ++count;
    name.clear();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> droppedFilesText(std::span<const uint8_t> block, WideNameToAnsi toAnsi) {
  if (block.size() < kHeaderSize) return std::nullopt;
  const uint32_t offset = loadWord(block.data());
  if (offset < kHeaderSize || offset > block.size()) return std::nullopt;
  const bool wide = loadWord(block.data() + kWideFlagOffset) != 0;
  try {
    size_t count = 0;
    auto text = wide ? wideNames(block.subspan(offset), toAnsi, count)
                     : ansiNames(block.subspan(offset), count);
    if (text && count == 1) text->resize(text->size() - 2);  // a single name has no CR LF
    return text;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

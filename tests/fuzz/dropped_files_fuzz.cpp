#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/components/drop_target/dropped_files.h"

namespace {

// Stands in for the code page: ASCII stays, anything else is '?'.
std::string asciiOnly(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto text = droppedFilesText({data, size}, &asciiOnly);
  if (!text) return 0;
  // Each name is at least one byte and its zero, and gains at most CR LF.
  if (text->size() > size + size / 2) __builtin_trap();
  if (text->find('\0') != std::string::npos) __builtin_trap();
  return 0;
}

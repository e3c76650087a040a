#include "runtime/open_room.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

// Memory of Wine's wrapping EDIT per byte of GBK text it holds: the text in UTF-16 and, for
// every line on the screen, a line structure with the line's layout. Measured with text like
// bench/make_text.py's (bench/NOTES.md, "Opening"), rounded up.
constexpr uint64_t kTextBoxBytesPerByte = 8;

constexpr uint64_t kLargestReadable = uint64_t{1} << 31;

std::optional<uint64_t> testLimit() {
  const char* limit = std::getenv("QUENLO_TEST_OPEN_LIMIT");
  if (!limit || !*limit) return std::nullopt;
  return std::strtoull(limit, nullptr, 10);
}

// Reserves address space for every block at once, and gives it back.
bool reservableTogether(std::initializer_list<uint64_t> sizes) {
  std::vector<void*> held;
  bool all = true;
  for (uint64_t size : sizes) {
    void* block = size <= SIZE_MAX
                      ? VirtualAlloc(nullptr, static_cast<SIZE_T>(size), MEM_RESERVE, PAGE_NOACCESS)
                      : nullptr;
    if (!block) {
      all = false;
      break;
    }
    held.push_back(block);
  }
  for (void* block : held) VirtualFree(block, 0, MEM_RELEASE);
  return all;
}

}  // namespace

std::optional<uint64_t> fileSize(const char* fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(fileName, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

uint64_t memoryToOpen(uint64_t fileBytes, uint64_t documentBytes) {
  // Deciding a Unicode file's encoding holds its bytes, their UTF-16 (two bytes per byte at
  // most) and the text made from that.
  const uint64_t decoding = 4 * fileBytes;
  // Then the text, the document kept to go back to, and the text box's copy.
  const uint64_t loading = fileBytes + documentBytes + kTextBoxBytesPerByte * fileBytes;
  return std::max(decoding, loading);
}

bool roomToOpen(uint64_t fileBytes, uint64_t documentBytes) {
  // Files are read whole in one block of at most this size (runtime/file.cpp).
  if (fileBytes >= kLargestReadable) return false;
  if (const std::optional<uint64_t> limit = testLimit()) {
    if (fileBytes > *limit) return false;
  }
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return true;  // the open itself still checks every step
  const uint64_t need = memoryToOpen(fileBytes, documentBytes);
  if (need > status.ullAvailVirtual || need > status.ullAvailPageFile) return false;
  // The text and the text box's UTF-16 buffer, which it grows by copying (old and new at
  // once), are each one block.
  return reservableTogether({fileBytes + 64, 2 * fileBytes + 64, 2 * fileBytes + 64});
}

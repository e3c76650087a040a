#include "ui/graphics/icon.h"

namespace {

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t read32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

// The file's directory entries (16 bytes, with file offsets) are turned into the resource
// directory layout (14 bytes, with ids) that LookupIconIdFromDirectoryEx chooses from.
HICON iconFromFile(const std::vector<uint8_t>& file, int cx, int cy) {
  constexpr size_t kHeader = 6, kFileEntry = 16, kResourceEntry = 14;
  if (file.size() < kHeader || read16(&file[0]) != 0 || read16(&file[2]) != 1) return nullptr;
  const size_t count = read16(&file[4]);
  if (count == 0 || file.size() < kHeader + count * kFileEntry) return nullptr;

  std::vector<uint8_t> directory(file.begin(), file.begin() + kHeader);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = &file[kHeader + i * kFileEntry];
    directory.insert(directory.end(), e, e + 12);  // size, colours, planes, bits, byte count
    const auto id = static_cast<uint16_t>(i + 1);
    directory.push_back(static_cast<uint8_t>(id));
    directory.push_back(static_cast<uint8_t>(id >> 8));
  }
  static_assert(12 + 2 == kResourceEntry);
  const int id = LookupIconIdFromDirectoryEx(directory.data(), TRUE, cx, cy, LR_DEFAULTCOLOR);
  if (id <= 0 || static_cast<size_t>(id) > count) return nullptr;
  const uint8_t* e = &file[kHeader + (id - 1) * kFileEntry];
  const uint32_t bytes = read32(e + 8), offset = read32(e + 12);
  if (bytes == 0 || offset > file.size() || bytes > file.size() - offset) return nullptr;
  return CreateIconFromResourceEx(const_cast<uint8_t*>(&file[offset]), bytes, TRUE, 0x00030000, cx,
                                  cy, LR_DEFAULTCOLOR);
}

HICON programIcon(bool small) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  HICON icon = nullptr;
  if (small)
    icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (!icon) icon = LoadIconA(module, MAKEINTRESOURCEA(1));
  return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

OwnedIcon& OwnedIcon::operator=(OwnedIcon&& o) noexcept {
  if (this != &o) {
    reset();
    icon_ = std::exchange(o.icon_, nullptr);
    owned_ = o.owned_;
  }
  return *this;
}

void OwnedIcon::reset() {
  if (icon_ && owned_) DestroyIcon(icon_);
  icon_ = nullptr;
}

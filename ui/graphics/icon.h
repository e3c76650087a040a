#pragma once
#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

// An icon this program made, destroyed with its owner, or a shared one (a resource or the
// system's) that it only uses.
class OwnedIcon {
 public:
  OwnedIcon() = default;
  explicit OwnedIcon(HICON icon, bool owned = true) : icon_(icon), owned_(owned) {}
  OwnedIcon(OwnedIcon&& o) noexcept : icon_(std::exchange(o.icon_, nullptr)), owned_(o.owned_) {}
  OwnedIcon& operator=(OwnedIcon&& o) noexcept;
  ~OwnedIcon() { reset(); }
  void reset();
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
  bool owned_ = false;
};

// The image of an .ico file that best fits cx x cy, or null.
HICON iconFromFile(const std::vector<uint8_t>& file, int cx, int cy);
// The program's own icon (resource 1), else the system's application icon. Shared handles.
HICON programIcon(bool small);

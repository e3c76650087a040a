// Background picture decoding: any bytes give a picture or none, never a crash, a hang or a
// read outside the data. Decoded pixels are also halved and placed, as painting would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/picture_decode.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkShape(const PicturePixels& p) {
  check(p.width > 0 && p.height > 0);
  check(p.bits.size() == p.stride() * p.height);
  check(uint64_t{1} * p.width * p.height <= kMaxPicturePixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const PicturePixels p = decodePicture(data, size, 0x336699);
  if (p.empty()) {
    check(p.bits.empty());
    return 0;
  }
  checkShape(p);
  const PicturePixels half = halvePicture(p);
  checkShape(half);
  check(half.width == (p.width + 1) / 2 && half.height == (p.height + 1) / 2);
  for (int mode = 0; mode < 4; ++mode) {
    const PictureRect r = picturePlacement(mode, 712, 371, p.width, p.height);
    if (mode >= kPictureCentred) {
      check(r.left >= 0 && r.top >= 0 && r.left + r.width <= 712 && r.top + r.height <= 371);
    }
  }
  return 0;
}

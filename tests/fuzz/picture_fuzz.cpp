// Background picture decoding: any bytes give a picture or none, never a crash, a hang or a
// read outside the data. Decoded pixels are also halved, shrunk and placed, as painting would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/graphics/picture_scale.h"

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

// A JPEG decoded at 1/8, or at 1/2 in some rows only, decodes exactly when the whole does:
// the data is checked to its end either way.
void checkReducedJpeg(const uint8_t* data, size_t size, const PicturePixels& whole) {
  const PicturePixels eighth = decodeJpeg(data, size, 8);
  check(eighth.empty() == whole.empty());
  if (!whole.empty())
    check(eighth.width == (whole.width + 7) / 8 && eighth.height == (whole.height + 7) / 8);
  std::vector<bool> rows((whole.height + 1) / 2);
  for (size_t y = 0; y < rows.size(); y += 3) rows[y] = true;
  check(decodeJpeg(data, size, 2, &rows).empty() == whole.empty());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const PicturePixels p = decodePicture(data, size, 0x336699);
  if (pictureFormat(data, size) == PictureFormat::kJpeg) checkReducedJpeg(data, size, p);
  if (p.empty()) {
    check(p.bits.empty());
    return 0;
  }
  checkShape(p);
  const PicturePixels half = halvePicture(p);
  checkShape(half);
  check(half.width == (p.width + 1) / 2 && half.height == (p.height + 1) / 2);
  const int w = (p.width + 2) / 3, h = (p.height + 4) / 5;
  if (uint64_t{1} * w * h <= 1 << 20) {
    std::vector<uint8_t> shrunk(size_t{4} * w * h);
    shrinkPicture(p, w, h, {w / 4, h / 4, w, h}, shrunk.data(), size_t{4} * w);
  }
  for (int mode = 0; mode < 4; ++mode) {
    const PictureRect r = picturePlacement(mode, 712, 371, p.width, p.height);
    if (mode >= kPictureCentred) {
      check(r.left >= 0 && r.top >= 0 && r.left + r.width <= 712 && r.top + r.height <= 371);
    }
  }
  return 0;
}

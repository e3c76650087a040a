#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Background picture decoding to pixels, with no window system: JPEG (libjpeg), PNG (libpng)
// and BMP. Scaling and placing the pixels: picture_scale.h.

enum class PictureFormat { kNone, kJpeg, kBmp, kPng, kIcon, kGif, kPcx };

// The format named by the first 8 bytes; shorter data is kNone.
PictureFormat pictureFormat(const uint8_t* data, size_t size);

// Pixels laid out as a bottom-up 24-bit DIB: blue, green, red, rows padded to 4 bytes.
struct PicturePixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;

  bool empty() const { return width <= 0 || height <= 0; }
  size_t stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
  // The first byte of row y, counted from the top.
  uint8_t* row(int y) { return bits.data() + stride() * (height - 1 - y); }
  const uint8_t* row(int y) const { return bits.data() + stride() * (height - 1 - y); }
  // The colour at (x, y), y counted from the top, as 0x00BBGGRR.
  uint32_t colourAt(int x, int y) const;
};

struct PictureSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// Sizes `p` to width x height, black; false, with `p` empty, when there is no memory for it.
bool allocatePixels(PicturePixels& p, int width, int height);

// Pictures larger than this many pixels are refused rather than decoded.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 25;
bool fitsPixelLimit(uint64_t width, uint64_t height);

// Decodes JPEG, PNG or BMP data. PNG is blended over `background` (0x00BBGGRR). Any other
// format, damaged or truncated data, or a picture over kMaxPicturePixels gives an empty
// result.
PicturePixels decodePicture(const uint8_t* data, size_t size, uint32_t background);
// A JPEG can also be decoded at 1/2, 1/4 or 1/8 of its size (`denominator`, each side rounded
// up) by the decoder's reduced transforms, which costs little more than reading the data.
// `rows`, when given, says which rows (of the decoded size) are wanted: the others are left
// black, though all of the data is still read and checked.
PicturePixels decodeJpeg(const uint8_t* data, size_t size, int denominator = 1,
                         const std::vector<bool>* rows = nullptr);
// A JPEG's size as its header gives it; {0, 0} when the header is damaged or too large.
PictureSize jpegSize(const uint8_t* data, size_t size);
PicturePixels decodePng(const uint8_t* data, size_t size, uint32_t background);
PicturePixels decodeBmp(const uint8_t* data, size_t size);

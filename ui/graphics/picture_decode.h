#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Background picture decoding to pixels, with no window system: JPEG (libjpeg), PNG (libpng)
// and BMP, plus the placement of a picture in a client area by picture mode.

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

// Pictures larger than this many pixels are refused rather than decoded.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 25;

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

// Half the size in both directions (rounded up), each pixel the mean of its 2 x 2 block;
// at an odd right or bottom edge the mean of what the block holds.
PicturePixels halvePicture(const PicturePixels& source);

struct PictureRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PictureRect&, const PictureRect&) = default;
};

// The picture shrunk to width x height (at most its own size) by area averaging: each target
// pixel is the mean of the source area it covers, edge pixels weighted by the part covered.
// Writes only the target pixels of `part`, as 32-bit blue, green, red, 0 into top-down rows
// `stride` bytes apart that start with target pixel (0, 0) at `out`. A pixel's value does not
// depend on the part asked for, so parts made at different times fit together.
void shrinkPicture(const PicturePixels& source, int width, int height, const PictureRect& part,
                   uint8_t* out, size_t stride);
// The source rows [first, end) that target rows [from, to) of such a shrink read.
struct PictureSpan {
  int first = 0;
  int end = 0;
  friend bool operator==(const PictureSpan&, const PictureSpan&) = default;
};
PictureSpan shrinkSourceRows(int source, int target, int from, int to);

// The picture repeated `across` times to the right and `down` times downwards.
PicturePixels repeatPicture(const PicturePixels& source, int across, int down);

enum PictureMode : int {
  kPictureTopLeft = 0,
  kPictureTiled = 1,
  kPictureCentred = 2,
  kPictureStretched = 3,
};

// Where a width x height picture is drawn in a clientWidth x clientHeight area: mode 0 at its
// natural size at (0, 0), mode 2 centred and shrunk to fit, mode 3 over the whole area. Mode 1
// gives the first tile; other modes are treated as mode 0.
PictureRect picturePlacement(int mode, int clientWidth, int clientHeight, int width, int height);

// The tiles of mode 1 (columns [firstColumn, endColumn), rows [firstRow, endRow)) that meet
// the rectangle [left, right) x [top, bottom), limited to the client area.
struct TileSpan {
  int firstColumn = 0;
  int endColumn = 0;
  int firstRow = 0;
  int endRow = 0;
  friend bool operator==(const TileSpan&, const TileSpan&) = default;
};
TileSpan tilesMeeting(int left, int top, int right, int bottom, int clientWidth, int clientHeight,
                      int width, int height);

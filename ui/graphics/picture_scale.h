#pragma once
#include <cstddef>
#include <cstdint>

#include "ui/graphics/picture_decode.h"

// Scaling a decoded picture and placing it in a client area by picture mode, with no window
// system.

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

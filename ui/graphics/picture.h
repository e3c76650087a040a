#pragma once
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <future>
#include <vector>

#include "ui/graphics/gdi.h"
#include "ui/graphics/picture_scale.h"

// A window's background picture: decoded once, painted per picture mode.
//
// Stretched and shrunk pictures are painted from a copy scaled to the current size, so that a
// repaint at an unchanged size copies only the paint area. On displays of more than 16 bits
// per pixel a shrunk copy is made by area averaging (what HALFTONE does on Windows; Wine's
// HALFTONE only interpolates between neighbours), in tiles, each when a paint first shows part
// of it: a window whose controls cover most of the picture shrinks only the parts that show.
// An enlarged copy is made with HALFTONE, and any copy with COLORONCOLOR on other displays.
//
// A JPEG is decoded at the smallest of 1, 1/2, 1/4 and 1/8 of its size that is still at least
// the size it is first drawn at, and decoded again, finer, only when it is later drawn larger.
// Loaded for a first paint that shrinks it, it is decoded on a thread of its own from the load
// on, so that the decode runs while the window's controls are made; the first paint waits for
// it. All of the data is read and checked, and a picture whose data turns out damaged then is
// no picture: nothing is drawn and nothing taken out.
class BackgroundPicture {
 public:
  BackgroundPicture() = default;
  ~BackgroundPicture();
  BackgroundPicture(const BackgroundPicture&) = delete;
  BackgroundPicture& operator=(const BackgroundPicture&) = delete;

  // Decodes JPEG, BMP or PNG data (PNG blended over `background`, a resolved colour) for a
  // first paint in `mode` in a client area of `client`. False, and no picture, for anything
  // else, for damaged data and for data shorter than 8 bytes (a JPEG's damage past its header
  // may only be found at that first paint).
  bool load(const uint8_t* data, size_t size, COLORREF background, int mode = 0, SIZE client = {});
  void clear();
  bool empty() const { return natural_.width <= 0 || natural_.height <= 0; }
  SIZE size() const { return {natural_.width, natural_.height}; }

  // Draws into `dc` for a client area `client` (origin 0, 0) within the paint area `clip`,
  // and takes what the picture covers out of `remaining`: the picture's rectangle in modes 0
  // and 2, everything in modes 1 and 3. Nothing happens without a picture.
  void paint(HDC dc, int mode, const RECT& client, const RECT& clip, HRGN remaining);

 private:
  struct Scaled {
    OwnedBitmap bitmap;
    uint8_t* bits = nullptr;  // the bitmap's pixels: 32-bit, top-down
    SIZE capacity = {};       // the bitmap's size; the copy is its top-left width x height
    int width = 0;
    int height = 0;
    int stretchMode = 0;
    int sourceLevel = -1;         // 0 and up: made by tiles from this level
    std::vector<bool> madeTiles;  // row by row
  };

  bool drawAt(HDC dc, const PicturePixels* pixels, int x, int y, const RECT& clip) const;
  bool drawTiled(HDC dc, const RECT& client, const RECT& clip);
  bool drawScaled(HDC dc, const PictureRect& where, const RECT& clip);
  void stretchInto(HDC dc, const PictureRect& where, const PicturePixels& source, int mode) const;
  bool makeScaled(int width, int height, int stretchMode);
  bool makeTiles(HDC dc, const PictureRect& where, const RECT& part);
  const PicturePixels* level(int k);
  bool makeRows(int k, const std::vector<bool>& rows);
  bool decoded(PicturePixels made, int k);
  void decodeAhead();
  bool takeAhead();
  void dropAhead();
  int chooseLevel(int width, int height) const;
  PictureSize levelSize(int k) const;
  int coarsestLevelAtLeast(int width, int height) const;
  const PicturePixels& tile();
  HDC cacheDc();

  static constexpr int kLevels = 13;

  PictureSize natural_;
  std::vector<uint8_t> jpeg_;                  // a JPEG's data, kept for finer decodes
  bool checked_ = false;                       // the JPEG's data has been decoded once
  int firstLevel_ = -1;                        // the level an unchecked JPEG is first drawn from
  std::future<PicturePixels> ahead_;           // that level, while a thread decodes it
  std::array<PicturePixels, kLevels> levels_;  // [k]: the picture at 1/2^k of its size, once made
  int partialLevel_ = -1;                      // a level made only in the rows below
  std::vector<bool> partialRows_;
  PicturePixels tile_;  // a small picture repeated, for tiling
  Scaled scaled_;
  HDC cacheDc_ = nullptr;
  HGDIOBJ cacheDcBitmap_ = nullptr;  // the memory DC's own bitmap, put back before deletion
};

// Stretch mode for the display: HALFTONE above 16 bits per pixel, else COLORONCOLOR.
int displayStretchMode();

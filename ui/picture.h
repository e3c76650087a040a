#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/gdi.h"
#include "ui/picture_decode.h"

// A window's background picture: decoded once, painted per picture mode.
//
// Stretched and shrunk pictures are painted from a copy scaled to the current size, so that a
// repaint at an unchanged size copies only the paint area. The copy is made with HALFTONE on
// displays of more than 16 bits per pixel, else COLORONCOLOR; for HALFTONE the source is first
// halved with a box filter while it is at least twice the target in both directions, which
// keeps a resize cheap at the same quality.
class BackgroundPicture {
 public:
  BackgroundPicture() = default;
  ~BackgroundPicture();
  BackgroundPicture(const BackgroundPicture&) = delete;
  BackgroundPicture& operator=(const BackgroundPicture&) = delete;

  // Decodes JPEG, BMP or PNG data (PNG blended over `background`, a resolved colour). False,
  // and no picture, for anything else, for damaged data and for data shorter than 8 bytes.
  bool load(const uint8_t* data, size_t size, COLORREF background);
  void clear();
  bool empty() const { return pixels_.empty(); }
  SIZE size() const { return {pixels_.width, pixels_.height}; }

  // Draws into `dc` for a client area `client` (origin 0, 0) within the paint area `clip`,
  // and takes what the picture covers out of `remaining`: the picture's rectangle in modes 0
  // and 2, everything in modes 1 and 3. Nothing happens without a picture.
  void paint(HDC dc, int mode, const RECT& client, const RECT& clip, HRGN remaining);

 private:
  struct Scaled {
    OwnedBitmap bitmap;
    SIZE capacity = {};  // the bitmap's size; the copy is its top-left width x height
    int width = 0;
    int height = 0;
    int stretchMode = 0;
  };

  void drawAt(HDC dc, const PicturePixels& pixels, int x, int y, const RECT& clip) const;
  void drawTiled(HDC dc, const RECT& client, const RECT& clip);
  void drawScaled(HDC dc, const PictureRect& where, const RECT& clip);
  bool makeScaled(int width, int height, int stretchMode);
  const PicturePixels& sourceFor(int width, int height, int stretchMode);
  const PicturePixels& tile();
  HDC cacheDc();

  PicturePixels pixels_;
  std::vector<PicturePixels> halves_;  // pixels_ halved once, twice, ...: made when needed
  PicturePixels tile_;                 // a small picture repeated, for tiling
  Scaled scaled_;
  HDC cacheDc_ = nullptr;
  HGDIOBJ cacheDcBitmap_ = nullptr;  // the memory DC's own bitmap, put back before deletion
};

// Stretch mode for the display: HALFTONE above 16 bits per pixel, else COLORONCOLOR.
int displayStretchMode();

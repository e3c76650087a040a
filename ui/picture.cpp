#include "ui/picture.h"

#include <algorithm>

// Not implemented: icons and cursors (drawn with DrawIconEx), GIF and PCX give no picture.

namespace {

// Pictures narrower or lower than this are tiled from a block of repeats, so that a tiny
// picture does not cost one blit per few pixels.
constexpr int kMinTileSize = 64;

BITMAPINFO dibInfo(int width, int height, int bitCount) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;  // positive: bottom-up
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

RECT intersection(const RECT& a, const RECT& b) {
  RECT r;
  if (!IntersectRect(&r, &a, &b)) SetRectEmpty(&r);
  return r;
}

RECT rectOf(const PictureRect& p) { return {p.left, p.top, p.left + p.width, p.top + p.height}; }

void takeOut(HRGN remaining, const RECT& covered) {
  OwnedRegion region(CreateRectRgnIndirect(&covered));
  if (region) CombineRgn(remaining, remaining, region.get(), RGN_DIFF);
}

int withSlack(int size, int screen) { return std::max(size, std::min(size + size / 4, screen)); }

int repeatsToReach(int size, int minimum) {
  return size >= minimum ? 1 : (minimum + size - 1) / size;
}

}  // namespace

int displayStretchMode() {
  ScreenDC screen;
  const int bits = GetDeviceCaps(screen.dc(), BITSPIXEL) * GetDeviceCaps(screen.dc(), PLANES);
  return bits > 16 ? HALFTONE : COLORONCOLOR;
}

BackgroundPicture::~BackgroundPicture() {
  clear();
  if (cacheDc_) DeleteDC(cacheDc_);
}

bool BackgroundPicture::load(const uint8_t* data, size_t size, COLORREF background) {
  clear();
  pixels_ = decodePicture(data, size, background & 0xFFFFFF);
  return !empty();
}

void BackgroundPicture::clear() {
  if (cacheDc_ && scaled_.bitmap) SelectObject(cacheDc_, cacheDcBitmap_);
  scaled_ = Scaled{};
  pixels_ = PicturePixels{};
  halves_.clear();
  tile_ = PicturePixels{};
}

void BackgroundPicture::paint(HDC dc, int mode, const RECT& client, const RECT& clip,
                              HRGN remaining) {
  if (empty()) return;
  const RECT area = intersection(client, clip);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const PictureRect where = picturePlacement(mode, width, height, pixels_.width, pixels_.height);
  switch (mode) {
    case kPictureTiled:
      drawTiled(dc, client, area);
      SetRectRgn(remaining, 0, 0, 0, 0);
      break;
    case kPictureStretched:
      drawScaled(dc, where, area);
      SetRectRgn(remaining, 0, 0, 0, 0);
      break;
    case kPictureCentred:
      drawScaled(dc, where, area);
      takeOut(remaining, rectOf(where));
      break;
    default:
      drawAt(dc, pixels_, 0, 0, area);
      takeOut(remaining, rectOf(where));
      break;
  }
}

// Copies the part of `pixels`, placed at (x, y), that lies in `clip`.
void BackgroundPicture::drawAt(HDC dc, const PicturePixels& pixels, int x, int y,
                               const RECT& clip) const {
  const RECT placed = {x, y, x + pixels.width, y + pixels.height};
  const RECT part = intersection(placed, clip);
  if (IsRectEmpty(&part)) return;
  const int w = part.right - part.left;
  const int h = part.bottom - part.top;
  const BITMAPINFO bi = dibInfo(pixels.width, pixels.height, 24);
  // A bottom-up DIB counts source rows from its bottom edge.
  const int fromBottom = pixels.height - (part.bottom - y);
  SetDIBitsToDevice(dc, part.left, part.top, w, h, part.left - x, fromBottom, 0, pixels.height,
                    pixels.bits.data(), &bi, DIB_RGB_COLORS);
}

void BackgroundPicture::drawTiled(HDC dc, const RECT& client, const RECT& area) {
  const PicturePixels& t = tile();
  if (t.empty()) return;
  const TileSpan span =
      tilesMeeting(area.left, area.top, area.right, area.bottom, client.right - client.left,
                   client.bottom - client.top, t.width, t.height);
  for (int row = span.firstRow; row < span.endRow; ++row) {
    for (int column = span.firstColumn; column < span.endColumn; ++column)
      drawAt(dc, t, column * t.width, row * t.height, area);
  }
}

const PicturePixels& BackgroundPicture::tile() {
  if (pixels_.width >= kMinTileSize && pixels_.height >= kMinTileSize) return pixels_;
  if (tile_.empty()) {
    tile_ = repeatPicture(pixels_, repeatsToReach(pixels_.width, kMinTileSize),
                          repeatsToReach(pixels_.height, kMinTileSize));
  }
  return tile_.empty() ? pixels_ : tile_;
}

void BackgroundPicture::drawScaled(HDC dc, const PictureRect& where, const RECT& area) {
  if (where.width == pixels_.width && where.height == pixels_.height) {
    drawAt(dc, pixels_, where.left, where.top, area);
    return;
  }
  const RECT part = intersection(rectOf(where), area);
  if (IsRectEmpty(&part)) return;
  const int mode = displayStretchMode();
  const bool cached = scaled_.bitmap && scaled_.width == where.width &&
                      scaled_.height == where.height && scaled_.stretchMode == mode;
  if (cached || makeScaled(where.width, where.height, mode)) {
    BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, cacheDc(),
           part.left - where.left, part.top - where.top, SRCCOPY);
    return;
  }
  // No memory for the scaled copy: stretch straight into the paint DC.
  const BITMAPINFO bi = dibInfo(pixels_.width, pixels_.height, 24);
  const int oldMode = SetStretchBltMode(dc, mode);
  POINT oldOrigin;
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  StretchDIBits(dc, where.left, where.top, where.width, where.height, 0, 0, pixels_.width,
                pixels_.height, pixels_.bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  SetStretchBltMode(dc, oldMode);
}

// The copy's bitmap is made a quarter larger than needed (within the screen size) and kept
// while the target fits in it, so that a resize sweep does not make a bitmap per size.
bool BackgroundPicture::makeScaled(int width, int height, int stretchMode) {
  HDC memory = cacheDc();
  if (!memory) return false;
  if (!scaled_.bitmap || width > scaled_.capacity.cx || height > scaled_.capacity.cy) {
    const SIZE capacity = {withSlack(width, GetSystemMetrics(SM_CXSCREEN)),
                           withSlack(height, GetSystemMetrics(SM_CYSCREEN))};
    const BITMAPINFO target = dibInfo(capacity.cx, -capacity.cy, 32);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return false;
    SelectObject(memory, bitmap);
    scaled_.bitmap.reset(bitmap);  // the previous copy is no longer selected
    scaled_.capacity = capacity;
  }
  scaled_.width = width;
  scaled_.height = height;
  scaled_.stretchMode = stretchMode;
  const PicturePixels& source = sourceFor(width, height, stretchMode);
  const BITMAPINFO bi = dibInfo(source.width, source.height, 24);
  SetStretchBltMode(memory, stretchMode);
  SetBrushOrgEx(memory, 0, 0, nullptr);
  StretchDIBits(memory, 0, 0, width, height, 0, 0, source.width, source.height, source.bits.data(),
                &bi, DIB_RGB_COLORS, SRCCOPY);
  return true;
}

// HALFTONE from a source at most about twice the target: the halvings average every source
// pixel, as HALFTONE would. COLORONCOLOR picks pixels, so it always works from the original.
const PicturePixels& BackgroundPicture::sourceFor(int width, int height, int stretchMode) {
  if (stretchMode != HALFTONE) return pixels_;
  const PicturePixels* level = &pixels_;
  for (size_t i = 0; level->width >= 2 * width && level->height >= 2 * height; ++i) {
    if (i == halves_.size()) {
      PicturePixels half = halvePicture(*level);
      if (half.empty()) break;
      halves_.push_back(std::move(half));
    }
    level = &halves_[i];
  }
  return *level;
}

HDC BackgroundPicture::cacheDc() {
  if (!cacheDc_) {
    cacheDc_ = CreateCompatibleDC(nullptr);
    if (cacheDc_) cacheDcBitmap_ = GetCurrentObject(cacheDc_, OBJ_BITMAP);
  }
  return cacheDc_;
}

#include "ui/graphics/picture.h"

#include <algorithm>
#include <exception>

// Not implemented: icons and cursors (drawn with DrawIconEx), GIF and PCX give no picture.

namespace {

// Pictures narrower or lower than this are tiled from a block of repeats, so that a tiny
// picture does not cost one blit per few pixels.
constexpr int kMinTileSize = 64;
// The scaled copy is shrunk in squares of this size, each when a paint first shows it.
constexpr int kTileSize = 32;
// A JPEG decodes to 1/8 of its size at most; smaller levels are halved from that.
constexpr int kMaxJpegLevel = 3;

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

int tilesAcross(int size) { return (size + kTileSize - 1) / kTileSize; }

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

bool BackgroundPicture::load(const uint8_t* data, size_t size, COLORREF background, int mode,
                             SIZE client) {
  clear();
  if (pictureFormat(data, size) == PictureFormat::kJpeg) {
    natural_ = jpegSize(data, size);
    if (empty()) return false;
    jpeg_.assign(data, data + size);
    const PictureRect where =
        picturePlacement(mode, client.cx, client.cy, natural_.width, natural_.height);
    const bool shrunk = (mode == kPictureStretched || mode == kPictureCentred) && where.width > 0 &&
                        where.height > 0 &&
                        (where.width < natural_.width || where.height < natural_.height);
    if (shrunk) {
      firstLevel_ = coarsestLevelAtLeast(where.width, where.height);
      decodeAhead();
      return true;
    }
    return level(0) != nullptr;
  }
  PicturePixels pixels = decodePicture(data, size, background & 0xFFFFFF);
  if (pixels.empty()) return false;
  natural_ = {pixels.width, pixels.height};
  levels_[0] = std::move(pixels);
  return true;
}

void BackgroundPicture::clear() {
  dropAhead();  // the thread reads jpeg_
  if (cacheDc_ && scaled_.bitmap) SelectObject(cacheDc_, cacheDcBitmap_);
  scaled_ = Scaled{};
  natural_ = {};
  jpeg_.clear();
  checked_ = false;
  firstLevel_ = -1;
  for (PicturePixels& l : levels_) l = PicturePixels{};
  partialLevel_ = -1;
  partialRows_.clear();
  tile_ = PicturePixels{};
}

void BackgroundPicture::paint(HDC dc, int mode, const RECT& client, const RECT& clip,
                              HRGN remaining) {
  if (empty()) return;
  const RECT area = intersection(client, clip);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const PictureRect where = picturePlacement(mode, width, height, natural_.width, natural_.height);
  switch (mode) {
    case kPictureTiled:
      if (drawTiled(dc, client, area)) SetRectRgn(remaining, 0, 0, 0, 0);
      break;
    case kPictureStretched:
      if (drawScaled(dc, where, area)) SetRectRgn(remaining, 0, 0, 0, 0);
      break;
    case kPictureCentred:
      if (drawScaled(dc, where, area)) takeOut(remaining, rectOf(where));
      break;
    default:
      if (drawAt(dc, level(0), 0, 0, area)) takeOut(remaining, rectOf(where));
      break;
  }
}

// Copies the part of `pixels`, placed at (x, y), that lies in `clip`. False without pixels.
bool BackgroundPicture::drawAt(HDC dc, const PicturePixels* pixels, int x, int y,
                               const RECT& clip) const {
  if (!pixels) return false;
  const RECT placed = {x, y, x + pixels->width, y + pixels->height};
  const RECT part = intersection(placed, clip);
  if (IsRectEmpty(&part)) return true;
  const int w = part.right - part.left;
  const int h = part.bottom - part.top;
  const BITMAPINFO bi = dibInfo(pixels->width, pixels->height, 24);
  // A bottom-up DIB counts source rows from its bottom edge.
  const int fromBottom = pixels->height - (part.bottom - y);
  SetDIBitsToDevice(dc, part.left, part.top, w, h, part.left - x, fromBottom, 0, pixels->height,
                    pixels->bits.data(), &bi, DIB_RGB_COLORS);
  return true;
}

bool BackgroundPicture::drawTiled(HDC dc, const RECT& client, const RECT& area) {
  const PicturePixels& t = tile();
  if (t.empty()) return false;
  const TileSpan span =
      tilesMeeting(area.left, area.top, area.right, area.bottom, client.right - client.left,
                   client.bottom - client.top, t.width, t.height);
  for (int row = span.firstRow; row < span.endRow; ++row) {
    for (int column = span.firstColumn; column < span.endColumn; ++column)
      drawAt(dc, &t, column * t.width, row * t.height, area);
  }
  return true;
}

const PicturePixels& BackgroundPicture::tile() {
  static const PicturePixels kNone;
  const PicturePixels* natural = level(0);
  if (!natural) return kNone;
  if (natural->width >= kMinTileSize && natural->height >= kMinTileSize) return *natural;
  if (tile_.empty()) {
    tile_ = repeatPicture(*natural, repeatsToReach(natural->width, kMinTileSize),
                          repeatsToReach(natural->height, kMinTileSize));
  }
  return tile_.empty() ? *natural : tile_;
}

// False when nothing could be drawn: the picture's data turned out damaged, or (after a good
// first decode) there was no memory for a finer one.
bool BackgroundPicture::drawScaled(HDC dc, const PictureRect& where, const RECT& area) {
  if (where.width == natural_.width && where.height == natural_.height)
    return drawAt(dc, level(0), where.left, where.top, area);
  const RECT part = intersection(rectOf(where), area);
  if (IsRectEmpty(&part)) return true;
  const int mode = displayStretchMode();
  const bool cached = scaled_.bitmap && scaled_.width == where.width &&
                      scaled_.height == where.height && scaled_.stretchMode == mode;
  if (cached || makeScaled(where.width, where.height, mode)) {
    if (scaled_.sourceLevel >= 0 && !makeTiles(dc, where, part)) return false;
    BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, cacheDc(),
           part.left - where.left, part.top - where.top, SRCCOPY);
    return true;
  }
  // No memory for the scaled copy: stretch straight into the paint DC.
  const PicturePixels* source = level(chooseLevel(where.width, where.height));
  if (source) stretchInto(dc, where, *source, mode);
  return !empty();
}

void BackgroundPicture::stretchInto(HDC dc, const PictureRect& where, const PicturePixels& source,
                                    int mode) const {
  const BITMAPINFO bi = dibInfo(source.width, source.height, 24);
  const int oldMode = SetStretchBltMode(dc, mode);
  POINT oldOrigin;
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  StretchDIBits(dc, where.left, where.top, where.width, where.height, 0, 0, source.width,
                source.height, source.bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
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
    scaled_.bits = static_cast<uint8_t*>(bits);
    scaled_.capacity = capacity;
  }
  scaled_.width = width;
  scaled_.height = height;
  scaled_.stretchMode = stretchMode;
  scaled_.sourceLevel = -1;
  const int k = chooseLevel(width, height);
  if (stretchMode == HALFTONE && levelSize(k).width >= width && levelSize(k).height >= height) {
    scaled_.sourceLevel = k;
    scaled_.madeTiles.assign(static_cast<size_t>(tilesAcross(width)) * tilesAcross(height), false);
    return true;
  }
  const PicturePixels* source = level(k);
  if (!source) {
    scaled_.stretchMode = 0;  // not a copy of anything
    return false;
  }
  stretchInto(memory, {0, 0, width, height}, *source, stretchMode);
  return true;
}

// Shrinks the tiles of the copy that `part` (in client coordinates) meets and that the DC
// shows at least in part; what the DC clips away is never seen and need not be made. The
// level is first made in the rows those tiles read. False when it cannot be.
bool BackgroundPicture::makeTiles(HDC dc, const PictureRect& where, const RECT& part) {
  const int across = tilesAcross(scaled_.width);
  const TileSpan span =
      tilesMeeting(part.left - where.left, part.top - where.top, part.right - where.left,
                   part.bottom - where.top, scaled_.width, scaled_.height, kTileSize, kTileSize);
  const int k = scaled_.sourceLevel;
  std::vector<PictureRect> tiles;
  std::vector<bool> rows(levelSize(k).height);
  for (int row = span.firstRow; row < span.endRow; ++row) {
    for (int column = span.firstColumn; column < span.endColumn; ++column) {
      const PictureRect tile = {column * kTileSize, row * kTileSize, kTileSize, kTileSize};
      RECT shown = rectOf(tile);
      OffsetRect(&shown, where.left, where.top);
      if (scaled_.madeTiles[static_cast<size_t>(row) * across + column] || !RectVisible(dc, &shown))
        continue;
      tiles.push_back(tile);
      const PictureSpan read = shrinkSourceRows(levelSize(k).height, scaled_.height, tile.top,
                                                std::min(tile.top + kTileSize, scaled_.height));
      std::fill(rows.begin() + read.first, rows.begin() + read.end, true);
    }
  }
  if (tiles.empty()) return true;
  if (!makeRows(k, rows)) return false;
  GdiFlush();  // GDI may still be writing the bitmap
  for (const PictureRect& tile : tiles) {
    shrinkPicture(levels_[k], scaled_.width, scaled_.height, tile, scaled_.bits,
                  static_cast<size_t>(scaled_.capacity.cx) * 4);
    scaled_.madeTiles[static_cast<size_t>(tile.top / kTileSize) * across + tile.left / kTileSize] =
        true;
  }
  return true;
}

PictureSize BackgroundPicture::levelSize(int k) const {
  auto reduce = [k](int n) { return static_cast<int>((int64_t{n} + (int64_t{1} << k) - 1) >> k); };
  return {reduce(natural_.width), reduce(natural_.height)};
}

int BackgroundPicture::coarsestLevelAtLeast(int width, int height) const {
  int k = 0;
  while (k + 1 < kLevels && levelSize(k + 1).width >= width && levelSize(k + 1).height >= height)
    ++k;
  return k;
}

// The level a copy of width x height is made from: the coarsest at least that large among
// those made (or, for a JPEG not yet decoded, about to be); if there is none, the coarsest
// that would be. The choice for a size stays the same for as long as the picture is kept, so
// that every tile of a copy comes from the same level.
int BackgroundPicture::chooseLevel(int width, int height) const {
  for (int k = kLevels; k-- > 0;) {
    const bool made = !levels_[k].empty() || k == firstLevel_;
    if (made && levelSize(k).width >= width && levelSize(k).height >= height) return k;
  }
  return coarsestLevelAtLeast(width, height);
}

// Level k of the picture, whole, made when first asked for: a JPEG decoded at that scale (down
// to 1/8), anything else halved from the level above. Null when it cannot be made.
const PicturePixels* BackgroundPicture::level(int k) {
  if (empty() || k < 0 || k >= kLevels) return nullptr;
  if (!levels_[k].empty() && k != partialLevel_) return &levels_[k];
  if (ahead_.valid() && k == firstLevel_) return takeAhead() ? &levels_[k] : nullptr;
  if (!jpeg_.empty() && k <= kMaxJpegLevel)
    return decoded(decodeJpeg(jpeg_.data(), jpeg_.size(), 1 << k), k) ? &levels_[k] : nullptr;
  const PicturePixels* above = level(k - 1);
  return above && decoded(halvePicture(*above), k) ? &levels_[k] : nullptr;
}

// Level k made at least in `rows`: a JPEG level not yet decoded is decoded in those rows only.
bool BackgroundPicture::makeRows(int k, const std::vector<bool>& rows) {
  if (!levels_[k].empty() && k != partialLevel_) return true;
  if (ahead_.valid() && k == firstLevel_) return takeAhead();
  if (k == partialLevel_) {
    for (size_t y = 0; y < rows.size(); ++y)
      if (rows[y] && !partialRows_[y]) return level(k) != nullptr;
    return true;
  }
  if (jpeg_.empty() || k > kMaxJpegLevel) return level(k) != nullptr;
  if (!decoded(decodeJpeg(jpeg_.data(), jpeg_.size(), 1 << k, &rows), k)) return false;
  partialLevel_ = k;
  partialRows_ = rows;
  return true;
}

// Keeps what a decode made as level k. A JPEG that fails its first decode is damaged: the
// picture is dropped. A later failure can only be want of memory, and leaves the picture.
bool BackgroundPicture::decoded(PicturePixels made, int k) {
  if (made.empty() || PictureSize{made.width, made.height} != levelSize(k)) {
    if (!jpeg_.empty() && !checked_) clear();
    return false;
  }
  checked_ = true;
  levels_[k] = std::move(made);
  if (k == partialLevel_) {
    partialLevel_ = -1;
    partialRows_.clear();
  }
  return true;
}

// Starts decoding the first level on a thread. Without a thread the first paint decodes it.
void BackgroundPicture::decodeAhead() {
  try {
    ahead_ =
        std::async(std::launch::async, [data = jpeg_.data(), size = jpeg_.size(), k = firstLevel_] {
          return decodeJpeg(data, size, 1 << k);
        });
  } catch (const std::exception&) {  // no thread or no memory for one
  }
}

// Waits for the first level's decode and keeps it.
bool BackgroundPicture::takeAhead() { return decoded(ahead_.get(), firstLevel_); }

void BackgroundPicture::dropAhead() {
  if (ahead_.valid()) ahead_.wait();
  ahead_ = {};
}

HDC BackgroundPicture::cacheDc() {
  if (!cacheDc_) {
    cacheDc_ = CreateCompatibleDC(nullptr);
    if (cacheDc_) cacheDcBitmap_ = GetCurrentObject(cacheDc_, OBJ_BITMAP);
  }
  return cacheDc_;
}

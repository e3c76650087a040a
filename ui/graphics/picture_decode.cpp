#include "ui/graphics/picture_decode.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include <jpeglib.h>
#include <png.h>

// Not implemented: ICO, CUR, GIF and PCX are recognised but give no picture; CMYK and YCCK
// JPEGs and run-length encoded BMPs give no picture; PNG gamma and colour profiles are
// ignored.
//
// libjpeg and libpng report errors by longjmp. Each decoder keeps every C++ object in its
// caller's frame and does the library calls in a function whose own locals are plain data, so
// the jump skips no destructor.

namespace {

uint32_t readU16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t readU32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A large picture may not fit a 32-bit address space; that is no picture, not an exception
// through the caller's paint.
template <class Vector>
bool tryResize(Vector& v, size_t count) {
  try {
    v.resize(count);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// ---- JPEG ----

// More scans than any real progressive file has; a crafted file could otherwise make the
// decoder walk every block thousands of times.
constexpr int kMaxJpegScans = 256;

struct JpegError {
  jpeg_error_mgr manager;  // first, so that info->err can be cast back
  std::jmp_buf jump;
};

[[noreturn]] void jpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// A warning means corrupt data, including the end of the data before the end of the image
// (jpeg_mem_src would pad it with an invented EOI).
void jpegMessage(j_common_ptr info, int level) {
  if (level < 0) jpegFail(info);
}

void jpegProgress(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->input_scan_number > kMaxJpegScans) jpegFail(info);
}

struct JpegJob {
  PicturePixels out;
  std::vector<JSAMPROW> rows;
};

// The last row is always read: skipping to the end would end the decode without reading the
// rest of the data, and damage there would go unseen.
bool wantedRow(const std::vector<bool>* rows, JDIMENSION y, JDIMENSION height) {
  return !rows || (*rows)[y] || y + 1 == height;
}

// Rows [from, ...) that are all wanted, or all not wanted, as `from` is.
JDIMENSION runOfRows(const std::vector<bool>* rows, JDIMENSION from, JDIMENSION height) {
  JDIMENSION end = from + 1;
  const bool wanted = wantedRow(rows, from, height);
  while (end < height && wantedRow(rows, end, height) == wanted) ++end;
  return end - from;
}

bool runJpeg(jpeg_decompress_struct& info, JpegError& error, jpeg_progress_mgr& progress,
             const uint8_t* data, size_t size, int denominator, const std::vector<bool>* rows,
             JpegJob& job) {
  if (setjmp(error.jump)) return false;
  jpeg_create_decompress(&info);
  info.progress = &progress;
  jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (!fitsPixelLimit(info.image_width, info.image_height)) return false;
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(denominator);
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      break;
    default:
      return false;
  }
#ifdef JCS_EXTENSIONS
  info.out_color_space = JCS_EXT_BGR;
#else
  info.out_color_space = JCS_RGB;
#endif
  jpeg_start_decompress(&info);
  if (info.output_components != 3) return false;
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  if (!allocatePixels(job.out, width, height) || !tryResize(job.rows, height)) return false;
  for (int y = 0; y < height; ++y) job.rows[y] = job.out.row(y);
  if (rows && rows->size() != info.output_height) return false;
  while (info.output_scanline < info.output_height) {
    const JDIMENSION done = info.output_scanline;
    const JDIMENSION run = runOfRows(rows, done, info.output_height);
    // Skipped rows still go through the entropy decoder, which finds damage there.
    const JDIMENSION got = wantedRow(rows, done, info.output_height)
                               ? jpeg_read_scanlines(&info, job.rows.data() + done, run)
                               : jpeg_skip_scanlines(&info, run);
    if (got == 0) return false;
  }
  jpeg_finish_decompress(&info);
  return true;
}

bool runJpegHeader(jpeg_decompress_struct& info, JpegError& error, const uint8_t* data,
                   size_t size) {
  if (setjmp(error.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  return fitsPixelLimit(info.image_width, info.image_height);
}

#ifndef JCS_EXTENSIONS
void swapRedBlue(PicturePixels& p) {
  for (int y = 0; y < p.height; ++y) {
    uint8_t* px = p.row(y);
    for (int x = 0; x < p.width; ++x, px += 3) std::swap(px[0], px[2]);
  }
}
#endif

// ---- PNG ----

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t position;
};

void pngRead(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->position) png_error(png, "truncated");
  std::memcpy(out, source->data + source->position, count);
  source->position += count;
}

[[noreturn]] void pngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarn(png_structp, png_const_charp) {}

uint32_t readU32BigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The reader allocates a chunk's buffer from its stated length before reading
// it, so a damaged length would cost gigabytes for a file of a few bytes.
bool pngChunksFitTheFile(const uint8_t* data, size_t size) {
  size_t position = 8;
  while (size - position >= 12) {
    const uint32_t length = readU32BigEndian(data + position);
    if (length > size - position - 12) return false;
    if (std::memcmp(data + position + 4, "IEND", 4) == 0) return true;
    position += 12 + size_t{length};
  }
  return false;
}

struct PngJob {
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  int width = 0;
  int height = 0;
};

void setPngTransforms(png_structp png, png_infop info) {
  const int colour = png_get_color_type(png, info);
  png_set_expand(png);
  png_set_scale_16(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

bool runPng(png_structp png, png_infop info, PngSource& source, PngJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &source, pngRead);
  png_set_user_limits(png, 1u << 20, 1u << 20);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_read_info(png, info);
  const uint32_t width = png_get_image_width(png, info);
  const uint32_t height = png_get_image_height(png, info);
  if (!fitsPixelLimit(width, height)) return false;
  setPngTransforms(png, info);
  if (png_get_rowbytes(png, info) != size_t{width} * 4) return false;
  job.width = static_cast<int>(width);
  job.height = static_cast<int>(height);
  if (!tryResize(job.rgba, size_t{width} * 4 * height) || !tryResize(job.rows, height))
    return false;
  for (uint32_t y = 0; y < height; ++y) job.rows[y] = job.rgba.data() + size_t{width} * 4 * y;
  png_read_image(png, job.rows.data());
  png_read_end(png, nullptr);
  return true;
}

uint8_t blendChannel(uint32_t colour, uint32_t alpha, uint32_t background) {
  return static_cast<uint8_t>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

PicturePixels blendOver(const PngJob& job, uint32_t background) {
  const uint32_t bgRed = background & 0xFF;
  const uint32_t bgGreen = background >> 8 & 0xFF;
  const uint32_t bgBlue = background >> 16 & 0xFF;
  PicturePixels out;
  if (!allocatePixels(out, job.width, job.height)) return out;
  for (int y = 0; y < job.height; ++y) {
    const uint8_t* in = job.rows[y];
    uint8_t* px = out.row(y);
    for (int x = 0; x < job.width; ++x, in += 4, px += 3) {
      const uint32_t alpha = in[3];
      if (alpha == 255) {
        px[0] = in[2];
        px[1] = in[1];
        px[2] = in[0];
      } else {
        px[0] = blendChannel(in[2], alpha, bgBlue);
        px[1] = blendChannel(in[1], alpha, bgGreen);
        px[2] = blendChannel(in[0], alpha, bgRed);
      }
    }
  }
  return out;
}

// ---- BMP ----

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

struct BmpHeader {
  int width = 0;
  int height = 0;  // positive; topDown tells the row order
  bool topDown = false;
  uint32_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t masks[3] = {};  // red, green, blue
  size_t paletteOffset = 0;
  size_t paletteEntrySize = 4;
  uint32_t paletteCount = 0;
  size_t pixelOffset = 0;
};

bool readCoreHeader(const uint8_t* p, BmpHeader& h) {
  h.width = static_cast<int>(readU16(p + 4));
  h.height = static_cast<int>(readU16(p + 6));
  h.bitCount = readU16(p + 10);
  h.paletteEntrySize = 3;
  return true;
}

bool readInfoHeader(const uint8_t* p, size_t headerSize, size_t available, BmpHeader& h) {
  const auto width = static_cast<int32_t>(readU32(p + 4));
  const auto height = static_cast<int32_t>(readU32(p + 8));
  if (height == std::numeric_limits<int32_t>::min()) return false;
  h.width = width;
  h.height = height < 0 ? -height : height;
  h.topDown = height < 0;
  h.bitCount = readU16(p + 14);
  h.compression = readU32(p + 16);
  h.paletteCount = readU32(p + 32);
  if (h.compression != kBiBitfields) return true;
  // Masks follow a 40-byte header, and are part of any longer one.
  const size_t masksEnd = std::max<size_t>(headerSize, 52);
  if (masksEnd > available) return false;
  for (int i = 0; i < 3; ++i) h.masks[i] = readU32(p + 40 + 4 * i);
  if (headerSize < 52) h.paletteOffset += 12;
  return true;
}

bool validBmpHeader(BmpHeader& h) {
  if (h.width <= 0 || !fitsPixelLimit(h.width, h.height)) return false;
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      return h.compression == kBiRgb;
    case 16:
      if (h.compression == kBiRgb) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
        return true;
      }
      return h.compression == kBiBitfields;
    case 32:
      if (h.compression == kBiRgb) {
        h.masks[0] = 0xFF0000;
        h.masks[1] = 0x00FF00;
        h.masks[2] = 0x0000FF;
        return true;
      }
      return h.compression == kBiBitfields;
    default:
      return false;
  }
}

bool readBmpHeader(const uint8_t* data, size_t size, BmpHeader& h) {
  if (size < kFileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M') return false;
  const uint8_t* info = data + kFileHeaderSize;
  const size_t available = size - kFileHeaderSize;
  const size_t headerSize = readU32(info);
  if (headerSize > available) return false;
  h.paletteOffset = kFileHeaderSize + headerSize;
  if (headerSize == 12) {
    readCoreHeader(info, h);
  } else if (headerSize < 40 || !readInfoHeader(info, headerSize, available, h)) {
    return false;
  }
  if (!validBmpHeader(h)) return false;
  if (h.bitCount <= 8) {
    const uint32_t full = 1u << h.bitCount;
    h.paletteCount = h.paletteCount == 0 ? full : std::min(h.paletteCount, full);
    if (h.paletteOffset > size || (size - h.paletteOffset) / h.paletteEntrySize < h.paletteCount)
      return false;
  } else {
    h.paletteCount = 0;
  }
  const uint32_t offBits = readU32(data + 10);
  h.pixelOffset = offBits ? offBits : h.paletteOffset + h.paletteEntrySize * h.paletteCount;
  return true;
}

struct Channel {
  uint32_t mask;
  int shift;
  uint32_t maximum;
};

Channel channelOf(uint32_t mask) {
  if (mask == 0) return {0, 0, 0};
  const int shift = std::countr_zero(mask);
  return {mask, shift, mask >> shift};
}

uint8_t channelValue(uint32_t pixel, const Channel& c) {
  if (c.maximum == 0) return 0;
  const uint64_t v = (pixel & c.mask) >> c.shift;
  return static_cast<uint8_t>((v * 255 + c.maximum / 2) / c.maximum);
}

void convertPaletteRow(const BmpHeader& h, const uint8_t* palette, const uint8_t* in,
                       uint8_t* out) {
  const uint32_t perByte = 8 / h.bitCount;
  const uint32_t mask = (1u << h.bitCount) - 1;
  for (int x = 0; x < h.width; ++x, out += 3) {
    const uint32_t byte = in[x / perByte];
    const uint32_t shift = 8 - h.bitCount * (x % perByte + 1);
    const uint32_t index = byte >> shift & mask;
    if (index >= h.paletteCount) {
      out[0] = out[1] = out[2] = 0;
      continue;
    }
    std::memcpy(out, palette + index * h.paletteEntrySize, 3);
  }
}

void convertMaskedRow(const BmpHeader& h, const Channel (&channels)[3], const uint8_t* in,
                      uint8_t* out) {
  const size_t bytes = h.bitCount / 8;
  for (int x = 0; x < h.width; ++x, in += bytes, out += 3) {
    const uint32_t pixel = bytes == 2 ? readU16(in) : readU32(in);
    out[0] = channelValue(pixel, channels[2]);
    out[1] = channelValue(pixel, channels[1]);
    out[2] = channelValue(pixel, channels[0]);
  }
}

}  // namespace

uint32_t PicturePixels::colourAt(int x, int y) const {
  const uint8_t* px = row(y) + static_cast<size_t>(x) * 3;
  return px[2] | px[1] << 8 | px[0] << 16;
}

PictureFormat pictureFormat(const uint8_t* data, size_t size) {
  if (!data || size < 8) return PictureFormat::kNone;
  if (data[0] == 0xFF && data[1] == 0xD8) return PictureFormat::kJpeg;
  if (data[0] == 0x42 && data[1] == 0x4D) return PictureFormat::kBmp;
  if (std::memcmp(data, "\x89PNG", 4) == 0) return PictureFormat::kPng;
  const uint32_t iconType = readU16(data + 2);
  if (readU16(data) == 0 && (iconType == 1 || iconType == 2) && readU16(data + 4) != 0)
    return PictureFormat::kIcon;
  if (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)
    return PictureFormat::kGif;
  if (data[0] == 0x0A && data[1] <= 5 && data[2] == 1 &&
      (data[3] == 8 || (data[1] == 3 && data[3] == 1)))
    return PictureFormat::kPcx;
  return PictureFormat::kNone;
}

PicturePixels decodePicture(const uint8_t* data, size_t size, uint32_t background) {
  switch (pictureFormat(data, size)) {
    case PictureFormat::kJpeg:
      return decodeJpeg(data, size);
    case PictureFormat::kBmp:
      return decodeBmp(data, size);
    case PictureFormat::kPng:
      return decodePng(data, size, background);
    default:
      return {};
  }
}

PicturePixels decodeJpeg(const uint8_t* data, size_t size, int denominator,
                         const std::vector<bool>* rows) {
  if (!data || size == 0 || size > std::numeric_limits<unsigned long>::max()) return {};
  if (denominator != 1 && denominator != 2 && denominator != 4 && denominator != 8) return {};
  jpeg_decompress_struct info{};
  JpegError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegFail;
  error.manager.emit_message = jpegMessage;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = jpegProgress;
  JpegJob job;
  const bool ok = runJpeg(info, error, progress, data, size, denominator, rows, job);
  jpeg_destroy_decompress(&info);
  if (!ok) return {};
#ifndef JCS_EXTENSIONS
  swapRedBlue(job.out);
#endif
  return std::move(job.out);
}

PictureSize jpegSize(const uint8_t* data, size_t size) {
  if (!data || size == 0 || size > std::numeric_limits<unsigned long>::max()) return {};
  jpeg_decompress_struct info{};
  JpegError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegFail;
  error.manager.emit_message = jpegMessage;
  const bool ok = runJpegHeader(info, error, data, size);
  const PictureSize result = {static_cast<int>(info.image_width),
                              static_cast<int>(info.image_height)};
  jpeg_destroy_decompress(&info);
  return ok ? result : PictureSize{};
}

PicturePixels decodePng(const uint8_t* data, size_t size, uint32_t background) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return {};
  if (!pngChunksFitTheFile(data, size)) return {};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngWarn);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  PngSource source{data, size, 0};
  PngJob job;
  const bool ok = info && runPng(png, info, source, job);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) return {};
  return blendOver(job, background);
}

PicturePixels decodeBmp(const uint8_t* data, size_t size) {
  BmpHeader h;
  if (!data || !readBmpHeader(data, size, h)) return {};
  const size_t inStride = (static_cast<size_t>(h.width) * h.bitCount + 31) / 32 * 4;
  if (h.pixelOffset > size || (size - h.pixelOffset) / inStride < static_cast<size_t>(h.height))
    return {};
  const Channel channels[3] = {channelOf(h.masks[0]), channelOf(h.masks[1]), channelOf(h.masks[2])};
  PicturePixels out;
  if (!allocatePixels(out, h.width, h.height)) return out;
  for (int i = 0; i < h.height; ++i) {
    const uint8_t* in = data + h.pixelOffset + inStride * i;
    uint8_t* row = out.row(h.topDown ? i : h.height - 1 - i);
    if (h.bitCount <= 8)
      convertPaletteRow(h, data + h.paletteOffset, in, row);
    else if (h.bitCount == 24)
      std::memcpy(row, in, static_cast<size_t>(h.width) * 3);
    else
      convertMaskedRow(h, channels, in, row);
  }
  return out;
}

bool allocatePixels(PicturePixels& p, int width, int height) {
  p.width = width;
  p.height = height;
  if (tryResize(p.bits, p.stride() * height)) return true;
  p = {};
  return false;
}

bool fitsPixelLimit(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width * height <= kMaxPicturePixels;
}

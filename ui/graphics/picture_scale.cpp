#include "ui/graphics/picture_scale.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// How target pixels [from, to) of one axis cover a source of `source` pixels: target pixel i
// covers [i * source / target, (i + 1) * source / target), and each source pixel it meets is
// weighted by the part it covers, in 1/65536; the weights of a target pixel sum to 65536.
class AreaAxis {
 public:
  static constexpr uint32_t kOne = 1u << 16;

  struct Span {
    int first;
    int count;
    const uint32_t* weights;
  };

  AreaAxis(int source, int target, int from, int to) : from_(from) {
    static_assert(255 * uint64_t{kOne} <= UINT32_MAX);
    const int64_t n = source, m = target;
    std::vector<std::pair<int, int>> spans;
    for (int64_t i = from; i < to; ++i) {
      const int64_t start = i * n, end = (i + 1) * n;
      const int64_t first = start / m, last = (end - 1) / m;
      spans.emplace_back(static_cast<int>(first), static_cast<int>(weights_.size()));
      // Rounded as running sums, so that they add up to exactly 65536: a flat colour stays.
      int64_t covered = 0;
      for (int64_t j = first; j <= last; ++j) {
        const int64_t overlap = std::min(end, (j + 1) * m) - std::max(start, j * m);
        weights_.push_back(static_cast<uint32_t>(((covered + overlap) * kOne + n / 2) / n -
                                                 (covered * kOne + n / 2) / n));
        covered += overlap;
      }
    }
    spans.emplace_back(0, static_cast<int>(weights_.size()));
    for (size_t k = 0; k + 1 < spans.size(); ++k)
      spans_.push_back({spans[k].first, spans[k + 1].second - spans[k].second,
                        weights_.data() + spans[k].second});
  }

  AreaAxis(const AreaAxis&) = delete;
  AreaAxis& operator=(const AreaAxis&) = delete;

  const Span& at(int i) const { return spans_[i - from_]; }

 private:
  int from_;
  std::vector<uint32_t> weights_;
  std::vector<Span> spans_;
};

// Each source row's weighted sums over the columns that target columns [left, right) cover,
// for the source rows [first, end): blue, green, red in 1/256 of a level, which keeps the
// weighing of rows below within 32 bits.
std::vector<uint16_t> columnSums(const PicturePixels& source, const AreaAxis& columns, int left,
                                 int right, int first, int end) {
  std::vector<uint16_t> sums(static_cast<size_t>(end - first) * (right - left) * 3);
  uint16_t* sum = sums.data();
  for (int y = first; y < end; ++y) {
    const uint8_t* in = source.row(y);
    for (int x = left; x < right; ++x, sum += 3) {
      const AreaAxis::Span& c = columns.at(x);
      const uint8_t* px = in + static_cast<size_t>(c.first) * 3;
      uint32_t b = 0, g = 0, r = 0;
      for (int i = 0; i < c.count; ++i, px += 3) {
        b += c.weights[i] * px[0];
        g += c.weights[i] * px[1];
        r += c.weights[i] * px[2];
      }
      sum[0] = static_cast<uint16_t>((b + 128) >> 8);
      sum[1] = static_cast<uint16_t>((g + 128) >> 8);
      sum[2] = static_cast<uint16_t>((r + 128) >> 8);
    }
  }
  return sums;
}

}  // namespace

PicturePixels halvePicture(const PicturePixels& source) {
  PicturePixels out;
  if (source.empty() || !allocatePixels(out, (source.width + 1) / 2, (source.height + 1) / 2))
    return out;
  const int fullColumns = source.width / 2;
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* a = source.row(2 * y);
    const uint8_t* b = 2 * y + 1 < source.height ? source.row(2 * y + 1) : a;
    uint8_t* px = out.row(y);
    for (int x = 0; x < fullColumns; ++x, a += 6, b += 6, px += 3) {
      for (int c = 0; c < 3; ++c) px[c] = (a[c] + a[c + 3] + b[c] + b[c + 3] + 2) >> 2;
    }
    if (fullColumns < out.width) {
      for (int c = 0; c < 3; ++c) px[c] = (a[c] + b[c] + 1) >> 1;
    }
  }
  return out;
}

void shrinkPicture(const PicturePixels& source, int width, int height, const PictureRect& part,
                   uint8_t* out, size_t stride) {
  if (source.empty() || width <= 0 || height <= 0 || width > source.width || height > source.height)
    return;
  const int left = std::max(part.left, 0), top = std::max(part.top, 0);
  const int right = std::min(part.left + part.width, width);
  const int bottom = std::min(part.top + part.height, height);
  if (left >= right || top >= bottom) return;
  const AreaAxis columns(source.width, width, left, right);
  const AreaAxis rows(source.height, height, top, bottom);
  const PictureSpan read = shrinkSourceRows(source.height, height, top, bottom);
  // Each source row is summed across once, then the target rows weigh the rows they cover.
  const std::vector<uint16_t> across =
      columnSums(source, columns, left, right, read.first, read.end);
  const size_t rowSize = static_cast<size_t>(right - left) * 3;
  std::vector<uint32_t> sums(rowSize);
  static_assert(uint64_t{255 * 256} * AreaAxis::kOne <= UINT32_MAX);
  for (int y = top; y < bottom; ++y) {
    const AreaAxis::Span& covered = rows.at(y);
    std::fill(sums.begin(), sums.end(), 0);
    for (int k = 0; k < covered.count; ++k) {
      const uint16_t* in = across.data() + (covered.first + k - read.first) * rowSize;
      const uint32_t weight = covered.weights[k];
      for (size_t i = 0; i < rowSize; ++i) sums[i] += weight * in[i];
    }
    uint8_t* px = out + stride * y + static_cast<size_t>(left) * 4;
    for (size_t i = 0; i < rowSize; i += 3, px += 4) {
      for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>((sums[i + c] + (1u << 23)) >> 24);
      px[3] = 0;
    }
  }
}

PictureSpan shrinkSourceRows(int source, int target, int from, int to) {
  if (source <= 0 || target <= 0 || from >= to) return {};
  const int64_t n = source, m = target;
  return {static_cast<int>(from * n / m), static_cast<int>((to * n + m - 1) / m)};
}

PicturePixels repeatPicture(const PicturePixels& source, int across, int down) {
  PicturePixels out;
  if (source.empty() || across <= 0 || down <= 0 ||
      !fitsPixelLimit(uint64_t{1} * source.width * across, uint64_t{1} * source.height * down) ||
      !allocatePixels(out, source.width * across, source.height * down))
    return out;
  const size_t rowBytes = static_cast<size_t>(source.width) * 3;
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* in = source.row(y % source.height);
    uint8_t* px = out.row(y);
    for (int i = 0; i < across; ++i, px += rowBytes) std::memcpy(px, in, rowBytes);
  }
  return out;
}

PictureRect picturePlacement(int mode, int clientWidth, int clientHeight, int width, int height) {
  if (mode == kPictureStretched) return {0, 0, clientWidth, clientHeight};
  if (mode != kPictureCentred || width <= 0 || height <= 0) return {0, 0, width, height};
  if (width <= clientWidth && height <= clientHeight)
    return {(clientWidth - width) / 2, (clientHeight - height) / 2, width, height};
  // s = min(W'/w, H'/h), in integers so that an exact fit stays exact.
  const int64_t scaledW = width > clientWidth ? std::max(clientWidth, 0) : width;
  const int64_t scaledH = height > clientHeight ? std::max(clientHeight, 0) : height;
  int64_t w;
  int64_t h;
  if (scaledW * height <= scaledH * width) {
    w = scaledW;
    h = scaledW * height / width;
  } else {
    w = scaledH * width / height;
    h = scaledH;
  }
  return {static_cast<int>((clientWidth - w) / 2), static_cast<int>((clientHeight - h) / 2),
          static_cast<int>(w), static_cast<int>(h)};
}

TileSpan tilesMeeting(int left, int top, int right, int bottom, int clientWidth, int clientHeight,
                      int width, int height) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, clientWidth);
  bottom = std::min(bottom, clientHeight);
  if (width <= 0 || height <= 0 || left >= right || top >= bottom) return {};
  return {left / width, (right - 1) / width + 1, top / height, (bottom - 1) / height + 1};
}

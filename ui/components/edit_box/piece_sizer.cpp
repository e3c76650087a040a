#include "ui/components/edit_box/piece_sizer.h"

#include <algorithm>

void PieceSizer::took(size_t bytes, double ms) {
  last_[count_++ % kFitted] = {static_cast<double>(bytes), std::max(ms, 0.01)};
  // Least squares over the last pieces.
  const size_t n = std::min(count_, kFitted);
  double sumBytes = 0, sumMs = 0;
  for (size_t i = 0; i < n; ++i) sumBytes += last_[i].bytes, sumMs += last_[i].ms;
  const double meanBytes = sumBytes / n, meanMs = sumMs / n;
  double spread = 0, together = 0;
  for (size_t i = 0; i < n; ++i) {
    spread += (last_[i].bytes - meanBytes) * (last_[i].bytes - meanBytes);
    together += (last_[i].bytes - meanBytes) * (last_[i].ms - meanMs);
  }
  if (n >= 3 && spread > 0 && together > 0) {
    perByte_ = together / spread;
    fixed_ = std::max(0.0, meanMs - perByte_ * meanBytes);
  }

  const double now = static_cast<double>(bytes);
  // The fixed cost a third of a piece, more where that would take too long, as long as a third
  // is left for the text; then half.
  const double least = fixed_ > 0 ? kLinesAimMs : kAimMs;
  const double aim = answersInTime() ? std::clamp(3 * fixed_, least, kMostMs) : 2 * fixed_;
  double aimed;
  if (perByte_ > 0) {
    aimed = (aim - fixed_) / perByte_;
  } else {
    aimed = now * std::clamp(kAimMs / ms, 0.5, 2.0);  // nothing known yet: by the time alone
  }
  // A little above the aim and below it in turn, so that the fit always has sizes to go on.
  aimed *= count_ % 2 ? 1.15 : 0.87;
  // None takes longer than the longest aim at the last piece's rate, which counts the fixed
  // cost in and so overrates a longer piece: a fit misled by a few slow pieces (a busy machine)
  // may not size one piece to seconds.
  aimed = std::min(aimed, now * (answersInTime() ? kMostMs : aim) / ms);
  // At most twice the last piece: a misjudged fit costs one long piece, not many.
  aimed = std::min(aimed, 2 * now);
  size_ = static_cast<size_t>(
      std::clamp(aimed, static_cast<double>(kSmallest), static_cast<double>(kLargest)));
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "ui/components/edit_box/piece_sizer.h"

namespace {

// What a simulated text box takes, in ms, for a piece of `piece` bytes with `loaded` bytes in.
using Cost = std::function<double(double loaded, double piece)>;

struct Load {
  double ms = 0;
  double longest = 0;
};

// A text of `total` bytes given in pieces of `size` bytes, or of the sizer's sizes when `size`
// is 0; the times are off by `noise` (a fraction) either way, as on a busy machine.
Load load(double total, const Cost& cost, double size = 0, double noise = 0.2) {
  PieceSizer sizer;
  Load load;
  double loaded = 0;
  for (int n = 0; loaded < total; ++n) {
    const double piece = std::min(size ? size : static_cast<double>(sizer.size()), total - loaded);
    double random = std::sin(n * 12.9898) * 43758.5453;
    random -= std::floor(random);
    const double ms = cost(loaded, piece) * (1 + noise * (2 * random - 1));
    sizer.took(static_cast<size_t>(piece), ms);
    loaded += piece;
    load.ms += ms;
    load.longest = std::max(load.longest, ms);
  }
  return load;
}

// The least time of one piece size chosen knowing the costs, with no piece longer than
// `longest`.
double bestOneSize(double total, const Cost& cost, double longest, double noise) {
  double best = INFINITY;
  for (double size = 4 * 1024; size <= total; size *= 1.25) {
    const Load l = load(total, cost, size, noise);
    if (l.longest <= longest) best = std::min(best, l.ms);
  }
  return best;
}

constexpr double kKB = 1024, kMB = 1024 * 1024;

// However a piece's cost is made up, the sizer comes near the best single piece size that
// answers within a second, and keeps every piece within a second; where the control's cost for
// the text already in outgrows a second, pieces grow so that it stays a part of the whole.
TEST(PieceSizer, StaysNearTheBestPieceSizeAndAnswersInTime) {
  const struct {
    const char* what;
    double total;
    Cost cost;
    double longest, mostOverBest, noise = 0.2;
  } cases[] = {
      // Lines of text in Wine's EDIT: per MB of text, and per MB already in for the copy of
      // the buffer that grows.
      {"lines, 100 MB, wine32", 100 * kMB,
       [](double loaded, double piece) { return 250 * piece / kMB + 1.3 * loaded / kMB; }, 1000,
       1.5},
      {"lines, 20 MB, wine64", 20 * kMB,
       [](double loaded, double piece) { return 2000 * piece / kMB + 1.3 * loaded / kMB; }, 1000,
       1.5},
      // The largest file that opens, measured piece by piece on a machine with other work
      // going on: times up to a third off, which misleads the fit now and then.
      {"lines, 32 MB, wine64, busy", 32 * kMB,
       [](double loaded, double piece) { return 1500 * piece / kMB + 12 * loaded / kMB; }, 1000,
       1.5, 0.3},
      // A line of a megabyte, the longest that opens: every piece lays out the rest of the line
      // again for every line it wraps.
      {"one line, 1 MB", kMB,
       [](double loaded, double piece) {
         return 3 * (piece / kKB) * (piece / kKB) + 2000 * piece / kMB + 1.3 * loaded / kMB;
       },
       1000, 1.5},
      // The system's word breaking analyses the whole text after every piece: no piece answers
      // within a second at the end, and the best is one piece.
      {"system word breaking, 20 MB", 20 * kMB,
       [](double loaded, double piece) { return 2000 * piece / kMB + 100 * loaded / kMB; },
       INFINITY, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Load sized = load(c.total, c.cost, 0, c.noise);
    const double best = bestOneSize(c.total, c.cost, c.longest, c.noise);
    EXPECT_LE(sized.ms, c.mostOverBest * best) << sized.ms / best << " times the best";
    EXPECT_LE(sized.longest, c.longest);
  }
}

}  // namespace

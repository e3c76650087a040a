#pragma once
#include <array>
#include <cstddef>

// Sizes the pieces in which a long text goes into a text box (ui/components/edit_box/edit_box.cpp),
// from how long the pieces so far took. A piece costs the control a part in proportion to its
// length, a part that no shorter piece saves (for every insertion it goes through all the lines it
// holds) and, on a long line, more than in proportion to its length (for every line it wraps, the
// control lays out the rest of the line again). The sizer fits a fixed and a per-byte cost to the
// last pieces, whose sizes it varies on purpose, and aims each piece at about kAimMs, longer where
// the fixed cost would otherwise be more than a third of it, but no longer than kMostMs, so that
// the program answers other programs within a second, as long as a third of that is left for
// the text. Past that (the fixed cost grows with the text already in), pieces are twice the
// fixed cost. On a long line the fitted cost per byte rises with the size, which keeps the
// pieces short. Where a fixed cost shows (a text of many lines) the aim is kLinesAimMs: every
// piece leaves the control's records of its lines a little more scattered through the heap, and
// in 20 MB loaded in pieces of 200 ms a keystroke near the end cost twice what it costs after a
// load in one piece. A long line shows none (its cost grows faster than its length) and keeps
// to kAimMs.
class PieceSizer {
 public:
  static constexpr double kAimMs = 200, kMostMs = 700, kLinesAimMs = 400;
  static constexpr size_t kSmallest = 1024, kLargest = 64 << 20, kFirst = 4 * 1024;

  size_t size() const { return size_; }
  // The piece just given, of `bytes`, took `ms`.
  void took(size_t bytes, double ms);

 private:
  struct Piece {
    double bytes, ms;
  };
  static constexpr size_t kFitted = 8;
  std::array<Piece, kFitted> last_{};
  size_t count_ = 0;
  size_t size_ = kFirst;
  double perByte_ = 0;  // ms; 0 while unknown
  double fixed_ = 0;    // ms a piece costs whatever its length
  // Whether pieces of at most kMostMs still leave a third of their time to the text.
  bool answersInTime() const { return fixed_ <= kMostMs * 2 / 3; }
};

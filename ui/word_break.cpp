#include "ui/word_break.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

enum class Kind : uint8_t { kOther, kSpace, kOpening, kClosing };

struct Character {
  Kind kind = Kind::kOther;
  bool wide = false;  // double-byte
};

// Double-byte punctuation by GBK code (lead byte << 8 | trail byte).
constexpr uint16_t kWideClosing[] = {
    0xA3AC, 0xA1A3, 0xA1A2, 0xA3BB, 0xA3BA, 0xA3BF, 0xA3A1,  // ，。、；：？！
    0xA3A9, 0xA1B7, 0xA1B9, 0xA1BB, 0xA1BF, 0xA1B3, 0xA1BD,  // ）》」』】〕〗
    0xA1B5, 0xA3DD, 0xA3FD, 0xA1B1, 0xA1AF, 0xA1AD, 0xA3AE,  // 〉］｝”’…．
};
constexpr uint16_t kWideOpening[] = {
    0xA3A8, 0xA1B6, 0xA1B8, 0xA1BA, 0xA1BE, 0xA1B2,  // （《「『【〔
    0xA1BC, 0xA1B4, 0xA3DB, 0xA3FB, 0xA1B0, 0xA1AE,  // 〖〈［｛“‘
};
constexpr uint16_t kIdeographicSpace = 0xA1A1;  // 　

bool inLeadRange(char c) {
  auto b = static_cast<uint8_t>(c);
  return b >= 0x81 && b <= 0xFE;
}

// The length of the character at boundary `at`; a lead byte at the very end stands alone.
size_t lengthAt(std::string_view text, size_t at) {
  return inLeadRange(text[at]) && at + 1 < text.size() ? 2 : 1;
}

bool listed(const uint16_t* begin, const uint16_t* end, uint16_t code) {
  return std::find(begin, end, code) != end;
}

Character classify(std::string_view text, size_t at) {
  if (lengthAt(text, at) == 2) {
    auto code = static_cast<uint16_t>(static_cast<uint8_t>(text[at]) << 8 |
                                      static_cast<uint8_t>(text[at + 1]));
    if (code == kIdeographicSpace) return {Kind::kSpace, true};
    if (listed(std::begin(kWideClosing), std::end(kWideClosing), code))
      return {Kind::kClosing, true};
    if (listed(std::begin(kWideOpening), std::end(kWideOpening), code))
      return {Kind::kOpening, true};
    return {Kind::kOther, true};
  }
  switch (text[at]) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
      return {Kind::kSpace, false};
    case ',':
    case '.':
    case ';':
    case ':':
    case '?':
    case '!':
    case ')':
    case ']':
    case '}':
    case '>':
      return {Kind::kClosing, false};
    case '(':
    case '[':
    case '{':
    case '<':
      return {Kind::kOpening, false};
    default:
      return {};
  }
}

bool breakBetween(Character before, Character after) {
  if (after.kind == Kind::kSpace || after.kind == Kind::kClosing) return false;
  if (before.kind == Kind::kOpening) return false;
  return before.kind == Kind::kSpace || before.wide || after.wide;
}

// A byte outside the lead-byte range ends a character (it is a single byte or a trail byte),
// so the nearest one before `at` gives a boundary without reading the text from its start.
size_t syncPoint(std::string_view text, size_t at) {
  while (at > 0 && inLeadRange(text[at - 1])) --at;
  return at;
}

// A boundary before `at` (for `at` > 0) from which the character before every later boundary
// is known.
size_t readableFrom(std::string_view text, size_t at) {
  size_t sync = syncPoint(text, at);
  return sync > 0 ? syncPoint(text, sync - 1) : 0;
}

// Walks the boundaries of a text forward, knowing the character before each.
class Cursor {
 public:
  Cursor(std::string_view text, size_t from) : text_(text), at_(from) {}
  size_t at() const { return at_; }
  bool atEnd() const { return at_ >= text_.size(); }
  void step() {
    before_ = classify(text_, at_);
    known_ = true;
    at_ += lengthAt(text_, at_);
  }
  bool lineMayStart() const {
    return known_ && !atEnd() && breakBetween(before_, classify(text_, at_));
  }

 private:
  std::string_view text_;
  size_t at_;
  Character before_;
  bool known_ = false;
};

// The last boundary at or before `limit` where a line may begin; 0 for none.
size_t lastStart(std::string_view text, size_t limit) {
  size_t end = std::min(limit, text.size());
  while (end > 0) {
    size_t from = readableFrom(text, end);
    size_t found = 0;
    for (Cursor c(text, from); c.at() < end && !c.atEnd();) {
      c.step();
      if (c.at() <= end && c.lineMayStart()) found = c.at();
    }
    if (found || from == 0) return found;
    end = from;
  }
  return 0;
}

// The first boundary at or after `limit` where a line may begin; the text's size for none.
size_t firstStart(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  Cursor c(text, limit > 0 ? readableFrom(text, limit) : 0);
  while (!c.atEnd()) {
    c.step();
    if (c.at() >= limit && c.lineMayStart()) return c.at();
  }
  return text.size();
}

size_t boundaryAtOrBefore(std::string_view text, size_t at) {
  size_t b = syncPoint(text, at);
  while (b < at && b + lengthAt(text, b) <= at) b += lengthAt(text, b);
  return b;
}

// Wrapping: `at` itself only when the boundary before it is a start too, so that a control
// that breaks one character earlier, because `at` was slightly past the fit, still breaks
// where a line may begin.
size_t wrapLeft(std::string_view text, size_t at) {
  size_t b = boundaryAtOrBefore(text, at);
  size_t last = lastStart(text, b);
  if (last == 0 || last < b) return last;
  size_t earlier = lastStart(text, b - 1);
  return earlier == 0 || earlier + lengthAt(text, earlier) == b ? b : earlier;
}

size_t byteOffsetOf(std::string_view text, int characters) {
  size_t at = 0;
  for (int n = 0; n < characters && at < text.size(); ++n) at += lengthAt(text, at);
  return std::min(at, text.size());
}

int charactersBefore(std::string_view text, size_t end) {
  int n = 0;
  for (size_t at = 0; at < end && at < text.size(); at += lengthAt(text, at)) ++n;
  return n;
}

}  // namespace

bool lineMayStartAt(std::string_view text, size_t at) {
  if (at == 0 || at >= text.size()) return false;
  Cursor c(text, readableFrom(text, at));
  while (c.at() < at) c.step();
  return c.at() == at && c.lineMayStart();
}

int answerWordBreak(std::string_view text, int index, int action, bool inCharacters,
                    WordBreakUse use) {
  if (index < 0) index = 0;
  size_t at =
      inCharacters ? byteOffsetOf(text, index) : std::min(static_cast<size_t>(index), text.size());
  size_t answer = 0;
  switch (action) {
    case kWordIsDelimiter:
      at = boundaryAtOrBefore(text, at);
      return at < text.size() && classify(text, at).kind == Kind::kSpace ? 1 : 0;
    case kWordLeft:
      if (use == WordBreakUse::kWrap) answer = wrapLeft(text, at);
      if (use == WordBreakUse::kCaretMove) answer = at > 0 ? lastStart(text, at - 1) : 0;
      if (use == WordBreakUse::kSelectWord) answer = lastStart(text, at);
      break;
    case kWordRight:
      answer = firstStart(text, use == WordBreakUse::kSelectWord ? at + 1 : at);
      break;
    default:
      return 0;
  }
  return inCharacters ? charactersBefore(text, answer) : static_cast<int>(answer);
}

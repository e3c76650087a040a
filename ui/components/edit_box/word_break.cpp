#include "ui/components/edit_box/word_break.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

enum class Kind : uint8_t { kOther, kSpace, kOpening, kClosing };

struct Character {
  Kind kind = Kind::kOther;
  bool wide = false;  // a double-byte character in GBK
};

template <size_t N>
bool listed(const uint16_t (&list)[N], uint16_t code) {
  return std::find(std::begin(list), std::end(list), code) != std::end(list);
}

Character classifyAscii(char c) {
  switch (c) {
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

// Double-byte punctuation by GBK code (lead byte << 8 | trail byte) and by UTF-16 code.
constexpr uint16_t kGbkClosing[] = {
    0xA3AC, 0xA1A3, 0xA1A2, 0xA3BB, 0xA3BA, 0xA3BF, 0xA3A1,  // ，。、；：？！
    0xA3A9, 0xA1B7, 0xA1B9, 0xA1BB, 0xA1BF, 0xA1B3, 0xA1BD,  // ）》」』】〕〗
    0xA1B5, 0xA3DD, 0xA3FD, 0xA1B1, 0xA1AF, 0xA1AD, 0xA3AE,  // 〉］｝”’…．
};
constexpr uint16_t kGbkOpening[] = {
    0xA3A8, 0xA1B6, 0xA1B8, 0xA1BA, 0xA1BE, 0xA1B2,  // （《「『【〔
    0xA1BC, 0xA1B4, 0xA3DB, 0xA3FB, 0xA1B0, 0xA1AE,  // 〖〈［｛“‘
};
constexpr uint16_t kGbkIdeographicSpace = 0xA1A1;
constexpr uint16_t kUtf16Closing[] = {
    0xFF0C, 0x3002, 0x3001, 0xFF1B, 0xFF1A, 0xFF1F, 0xFF01,  // ，。、；：？！
    0xFF09, 0x300B, 0x300D, 0x300F, 0x3011, 0x3015, 0x3017,  // ）》」』】〕〗
    0x3009, 0xFF3D, 0xFF5D, 0x201D, 0x2019, 0x2026, 0xFF0E,  // 〉］｝”’…．
};
constexpr uint16_t kUtf16Opening[] = {
    0xFF08, 0x300A, 0x300C, 0x300E, 0x3010, 0x3014,  // （《「『【〔
    0x3016, 0x3008, 0xFF3B, 0xFF5B, 0x201C, 0x2018,  // 〖〈［｛“‘
};
constexpr uint16_t kUtf16IdeographicSpace = 0x3000;

// GBK bytes: a lead byte and the byte after it are one character.
struct Gbk {
  std::string_view text;

  static bool inLeadRange(char c) {
    auto b = static_cast<uint8_t>(c);
    return b >= 0x81 && b <= 0xFE;
  }
  size_t size() const { return text.size(); }
  // A lead byte at the very end stands alone.
  size_t lengthAt(size_t at) const { return inLeadRange(text[at]) && at + 1 < text.size() ? 2 : 1; }
  // A byte outside the lead-byte range ends a character (it is a single byte or a trail
  // byte), so the nearest one before `at` gives a boundary without reading from the start.
  size_t syncPoint(size_t at) const {
    while (at > 0 && inLeadRange(text[at - 1])) --at;
    return at;
  }
  Character classify(size_t at) const {
    if (lengthAt(at) == 1) return classifyAscii(text[at]);
    auto code = static_cast<uint16_t>(static_cast<uint8_t>(text[at]) << 8 |
                                      static_cast<uint8_t>(text[at + 1]));
    if (code == kGbkIdeographicSpace) return {Kind::kSpace, true};
    if (listed(kGbkClosing, code)) return {Kind::kClosing, true};
    if (listed(kGbkOpening, code)) return {Kind::kOpening, true};
    return {Kind::kOther, true};
  }
};

// UTF-16: a surrogate pair is one character.
struct Utf16 {
  std::u16string_view text;

  static bool high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
  static bool low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
  size_t size() const { return text.size(); }
  size_t lengthAt(size_t at) const {
    return high(text[at]) && at + 1 < text.size() && low(text[at + 1]) ? 2 : 1;
  }
  size_t syncPoint(size_t at) const {
    return at > 0 && at < text.size() && low(text[at]) && high(text[at - 1]) ? at - 1 : at;
  }
  Character classify(size_t at) const {
    char16_t c = text[at];
    if (c < 0x80) return classifyAscii(static_cast<char>(c));
    if (c == kUtf16IdeographicSpace) return {Kind::kSpace, true};
    if (listed(kUtf16Closing, c)) return {Kind::kClosing, true};
    if (listed(kUtf16Opening, c)) return {Kind::kOpening, true};
    return {Kind::kOther, true};
  }
};

bool breakBetween(Character before, Character after) {
  if (after.kind == Kind::kSpace || after.kind == Kind::kClosing) return false;
  if (before.kind == Kind::kOpening) return false;
  return before.kind == Kind::kSpace || before.wide || after.wide;
}

// A boundary before `at` (for `at` > 0) from which the character before every later boundary
// is known.
template <class T>
size_t readableFrom(const T& t, size_t at) {
  size_t sync = t.syncPoint(at);
  return sync > 0 ? t.syncPoint(sync - 1) : 0;
}

// Walks the boundaries of a text forward, knowing the character before each.
template <class T>
class Cursor {
 public:
  Cursor(const T& t, size_t from) : t_(t), at_(from) {}
  size_t at() const { return at_; }
  bool atEnd() const { return at_ >= t_.size(); }
  void step() {
    before_ = t_.classify(at_);
    known_ = true;
    at_ += t_.lengthAt(at_);
  }
  bool lineMayStart() const {
    return known_ && !atEnd() && breakBetween(before_, t_.classify(at_));
  }

 private:
  const T& t_;
  size_t at_;
  Character before_;
  bool known_ = false;
};

// The last boundary at or before `limit` where a line may begin; 0 for none.
template <class T>
size_t lastStart(const T& t, size_t limit) {
  size_t end = std::min(limit, t.size());
  while (end > 0) {
    size_t from = readableFrom(t, end);
    size_t found = 0;
    for (Cursor<T> c(t, from); c.at() < end && !c.atEnd();) {
      c.step();
      if (c.at() <= end && c.lineMayStart()) found = c.at();
    }
    if (found || from == 0) return found;
    end = from;
  }
  return 0;
}

// The first boundary at or after `limit` where a line may begin; the text's size for none.
template <class T>
size_t firstStart(const T& t, size_t limit) {
  if (limit >= t.size()) return t.size();
  Cursor<T> c(t, limit > 0 ? readableFrom(t, limit) : 0);
  while (!c.atEnd()) {
    c.step();
    if (c.at() >= limit && c.lineMayStart()) return c.at();
  }
  return t.size();
}

template <class T>
size_t boundaryAtOrBefore(const T& t, size_t at) {
  size_t b = t.syncPoint(at);
  while (b < at && b + t.lengthAt(b) <= at) b += t.lengthAt(b);
  return b;
}

// The answer in the text's own units (bytes or UTF-16 code units).
template <class T>
int answer(const T& t, size_t at, int action, WordBreakUse use) {
  switch (action) {
    case kWordIsDelimiter:
      at = boundaryAtOrBefore(t, at);
      return at < t.size() && t.classify(at).kind == Kind::kSpace ? 1 : 0;
    case kWordLeft:
      if (use == WordBreakUse::kCaretMove)
        return static_cast<int>(at > 0 ? lastStart(t, at - 1) : 0);
      return static_cast<int>(lastStart(t, boundaryAtOrBefore(t, at)));
    case kWordRight:
      return static_cast<int>(firstStart(t, use == WordBreakUse::kSelectWord ? at + 1 : at));
    default:
      return 0;
  }
}

size_t byteOffsetOf(const Gbk& t, int characters) {
  size_t at = 0;
  for (int n = 0; n < characters && at < t.size(); ++n) at += t.lengthAt(at);
  return std::min(at, t.size());
}

int charactersBefore(const Gbk& t, size_t end) {
  int n = 0;
  for (size_t at = 0; at < end && at < t.size(); at += t.lengthAt(at)) ++n;
  return n;
}

}  // namespace

bool lineMayStartAt(std::string_view text, size_t at) {
  if (at == 0 || at >= text.size()) return false;
  Gbk t{text};
  Cursor<Gbk> c(t, readableFrom(t, at));
  while (c.at() < at) c.step();
  return c.at() == at && c.lineMayStart();
}

int answerWordBreak(std::string_view text, int index, int action, bool inCharacters,
                    WordBreakUse use) {
  Gbk t{text};
  index = std::max(index, 0);
  if (!inCharacters)
    return answer(t, std::min(static_cast<size_t>(index), text.size()), action, use);
  int result = answer(t, byteOffsetOf(t, index), action, use);
  return action == kWordIsDelimiter ? result : charactersBefore(t, static_cast<size_t>(result));
}

int answerWordBreak(std::u16string_view text, int index, int action, WordBreakUse use) {
  return answer(Utf16{text}, std::min(static_cast<size_t>(std::max(index, 0)), text.size()), action,
                use);
}

#include "runtime/document_encoding.h"

#include <algorithm>
#include <cstring>

namespace {

// Conversions go a piece at a time, so a large file never needs a second copy of itself in
// UTF-16 just to be checked.
constexpr size_t kPieceBytes = 1 << 20;

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool startsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The end of the piece that starts at `start`: about kPieceBytes long and never splitting a
// double-byte character.
size_t pieceEnd(std::string_view bytes, size_t start, const CodePage& codePage) {
  const size_t goal = std::min(bytes.size(), start + kPieceBytes);
  size_t i = start;
  while (i < goal) i += codePage.isLeadByte(static_cast<uint8_t>(bytes[i])) ? 2 : 1;
  return std::min(i, bytes.size());
}

// Converts UTF-16 to the code page, false when a character does not come back unchanged.
bool toCodePage(std::u16string_view text, const CodePage& codePage, std::string& out) {
  out.clear();
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.size(), start + kPieceBytes);
    if (end < text.size() && isLowSurrogate(text[end])) --end;
    const std::u16string_view piece = text.substr(start, end - start);
    const std::string converted = codePage.fromUnicode(piece);
    if (codePage.toUnicode(converted) != piece) return false;
    out += converted;
    start = end;
  }
  return true;
}

enum class Utf8Kind { Invalid, Ascii, MultiByte };

// One strict UTF-8 sequence at `i`: its code point and length, or a length of 0 when invalid.
size_t utf8Sequence(std::string_view bytes, size_t i, char32_t& code) {
  const auto b0 = static_cast<uint8_t>(bytes[i]);
  size_t length;
  char32_t min;
  if (b0 < 0x80) {
    code = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, min = 0x80, code = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, min = 0x800, code = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, min = 0x10000, code = b0 & 0x07;
  } else {
    return 0;
  }
  if (bytes.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<uint8_t>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

Utf8Kind utf8Kind(std::string_view bytes) {
  bool multiByte = false;
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<uint8_t>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t code;
    const size_t length = utf8Sequence(bytes, i, code);
    if (length == 0) return Utf8Kind::Invalid;
    multiByte = true;
    i += length;
  }
  return multiByte ? Utf8Kind::MultiByte : Utf8Kind::Ascii;
}

// Bytes that are both UTF-8 and code page text: which reading is the likelier one. The files
// are mostly Chinese text, so each reading is weighed by how rare its characters are in what
// users of this program write, in rough bits per character (a hanzi of average use is 12), and
// the lighter reading wins. ASCII weighs nothing in either. The weights of letters were chosen
// on labelled texts (bench/encoding_bench.cpp): every Chinese word in GBK that is not among
// the rarest stays GBK, and Latin, Cyrillic and Greek text is UTF-8 but for a few letters.
constexpr int kUtf8Prior = 6;         // a GBK editor's files are GBK more often than not
constexpr int kLetterCost = 12;       // a Greek or Cyrillic letter the code page holds
constexpr int kOtherLetterCost = 18;  // one it lacks
constexpr int kLatinCost = 22;        // a Latin letter or symbol on its own
constexpr int kLatinInWordCost = 2;   // a Latin letter beside ASCII letters: "café"
// A character GBK added to GB2312: mostly traditional forms, which are far more common in UTF-8
// text (from Taiwan or Hong Kong) than in GBK files.
constexpr int kUtf8TraditionalCost = 16;

// How rare each hanzi whose GBK bytes are also a UTF-8 sequence (lead C2 to DF, trail A1 to BF)
// is in Chinese text, in bits from 'a' = 8 (tools/hanzi_costs.py). Short texts of them are the
// ones whose two readings are hard to tell apart.
constexpr char kHanziCosts[] =
    "fhijekikgihgjigjihfiiecjflheeji"  // C2
    "khhhjeihgkegljhfhffbigfihgbgfjd"  // C3
    "jjdggfghffgfigjifjeiifgefigigdc"  // C4
    "jlehkgjgcffffcfjkhjifhekkgigmij"  // C5
    "jhheglihjffdgghkeiigffcgjiiibfg"  // C6
    "gjgmmhdffohgidjbfggijihiejgifkc"  // C7
    "chkfbflcjfbkgiggfklcjkdhidbgjfm"  // C8
    "hegigjighiciffihdiehhhijhhkhbjj"  // C9
    "cffdfcdgdgefkbcgacdhbddicjhdcdd"  // CA
    "igihgigjjhdhebffkhejahjjchjdfcf"  // CB
    "llkggifdfncdikhhjgfiihhefikhefh"  // CC
    "jfegeggbhjkbfkfijhcegdbfiiddffg"  // CD
    "ieffgkdfhaldijcfhfgdjehhhfcjfhg"  // CE
    "gdeghhgjigkjkgdehekfchfeghiheif"  // CF
    "bfdhidekbgjgeighgghefhiihifighi"  // D0
    "cljkjhagfdhighffigjiefhfehhhfhi"  // D1
    "fjhhihgkdagjkgefgafjbejjefameim"  // D2
    "edjhhckjjdjieggdiffifhllhikkjhg"  // D3
    "ihhegkjhhcifcfjebfidfdiegbfddfj"  // D4
    "liijiijfihhhhggijihiihjjckjdbdi"  // D5
    "kggdhgdjkchghadccefedhfcejbgfdj"  // D6
    "degffhidgdhhjifdigfdiiekiikdgjh"  // D7
    "lphhlkjkhnmknjqimkmlkmjmjknnkkm"  // D8
    "jlninqmojkpnmkmnmklkklnkkjkkmnj"  // D9
    "lqjiomjkmlklkmgnmlmmkkmlklllmil"  // DA
    "jkmknooplnioqonnmllnmkmonmlmomn"  // DB
    "mqlopmnnoqlpnqljmjmmlmmmmmnmhmj"  // DC
    "mnmqkqqqonnmnlolkponnkmkmjklnpo"  // DD
    "nmmmmmkoooqiiponimommnmnkknlnpm"  // DE
    "knlpllopnkokoljmlmjjhjnlnjlnmon"  // DF
    ;

int gbkCharacterCost(uint8_t lead, uint8_t trail) {
  if (lead >= 0xC2 && lead <= 0xDF && trail >= 0xA1 && trail <= 0xBF)
    return 8 + kHanziCosts[(lead - 0xC2) * 31 + trail - 0xA1] - 'a';
  const bool gb2312Area = trail >= 0xA1 && lead >= 0xA1;
  if (gb2312Area && lead >= 0xB0 && lead <= 0xD7) return 12;    // common hanzi
  if (gb2312Area && lead >= 0xD8 && lead <= 0xF7) return 18;    // less common hanzi
  if (gb2312Area && lead <= 0xA3) return 12;                    // punctuation, full width
  if (gb2312Area && lead <= 0xA9) return 18;                    // kana, letters, box drawing
  if (gb2312Area || (lead >= 0xA1 && lead <= 0xA7)) return 30;  // user-defined
  return 23;  // the rare characters GBK added to GB2312
}

bool isAsciiLetter(char byte) { return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z'; }

// `inWord`: an ASCII letter comes right before or after the character, or one space away.
int utf8CharacterCost(char32_t code, bool inWord, const CodePage& codePage) {
  if (code >= 0xC0 && code <= 0x24F && code != 0xD7 && code != 0xF7)
    return inWord ? kLatinInWordCost : kLatinCost;
  if (code >= 0xA0 && code <= 0xFF) return kLatinCost;
  if (code >= 0x370 && code <= 0x4FF)  // Greek and Cyrillic
    return codePage.doubleByteCharacters()[code] ? kLetterCost : kOtherLetterCost;
  if (code < 0x10000) {
    if (const uint16_t gbk = codePage.doubleByteCharacters()[code]) {
      const int cost = gbkCharacterCost(gbk >> 8, gbk & 0xFF);
      return code >= 0x4E00 && code <= 0x9FFF ? std::min(cost, kUtf8TraditionalCost) : cost;
    }
  }
  if ((code >= 0x2190 && code <= 0x2BFF) || (code >= 0x1F000 && code <= 0x1FAFF) ||
      (code >= 0xFE00 && code <= 0xFE0F))
    return 14;  // arrows, shapes, emoji
  if (code < 0x20000) return 24;
  return code < 0x40000 ? 30 : 40;  // rare ideographs, then nothing but private use
}

bool letterNear(std::string_view bytes, size_t i, int step) {
  for (int k = 0; k < 2; ++k, i += step) {
    if (i >= bytes.size()) return false;
    if (isAsciiLetter(bytes[i])) return true;
    if (bytes[i] != ' ') return false;
  }
  return false;
}

int64_t gbkReadingCost(std::string_view bytes, const CodePage& codePage) {
  int64_t cost = 0;
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    if (codePage.isLeadByte(lead) && i + 1 < bytes.size()) {
      cost += gbkCharacterCost(lead, static_cast<uint8_t>(bytes[i + 1]));
      i += 2;
    } else {
      cost += lead >= 0x80 ? 24 : 0;
      ++i;
    }
  }
  return cost;
}

int64_t utf8ReadingCost(std::string_view bytes, const CodePage& codePage) {
  int64_t cost = kUtf8Prior;
  for (size_t i = 0; i < bytes.size();) {
    char32_t code;
    const size_t length = utf8Sequence(bytes, i, code);
    if (length > 1) {
      const bool inWord = letterNear(bytes, i - 1, -1) || letterNear(bytes, i + length, 1);
      cost += utf8CharacterCost(code, inWord, codePage);
    }
    i += length;
  }
  return cost;
}

DecodedDocument refused(OpenRefusal why) {
  DecodedDocument d;
  d.refusal = why;
  return d;
}

DecodedDocument decodeUtf16(std::string_view bytes, DocumentEncoding encoding,
                            const CodePage& codePage) {
  const std::string_view body = bytes.substr(2);
  if (body.size() % 2) return refused(OpenRefusal::DamagedUtf16);
  const bool bigEndian = encoding == DocumentEncoding::Utf16Be;
  std::u16string text(body.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lo = static_cast<uint8_t>(body[2 * i + (bigEndian ? 1 : 0)]);
    const auto hi = static_cast<uint8_t>(body[2 * i + (bigEndian ? 0 : 1)]);
    text[i] = static_cast<char16_t>(lo | hi << 8);
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 0) return refused(OpenRefusal::ZeroByte);
    if (isLowSurrogate(text[i])) return refused(OpenRefusal::DamagedUtf16);
    if (!isHighSurrogate(text[i])) continue;
    if (i + 1 == text.size() || !isLowSurrogate(text[i + 1]))
      return refused(OpenRefusal::DamagedUtf16);
    ++i;
  }
  DecodedDocument d;
  d.encoding = encoding;
  if (!toCodePage(text, codePage, d.text)) return refused(OpenRefusal::Unrepresentable);
  return d;
}

// UTF-8 without a byte-order mark that the code page can show; false for anything else.
bool decodeShowableUtf8(std::string_view bytes, const CodePage& codePage, std::string& text) {
  std::u16string unicode;
  bool multiByte = false;
  return decodeUtf8(bytes, unicode, multiByte) && toCodePage(unicode, codePage, text);
}

void appendUtf16Bytes(std::string& out, std::u16string_view text, bool bigEndian) {
  for (char16_t c : text) {
    const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
}

}  // namespace

void appendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
    return;
  }
  code -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (code >> 10));
  out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

bool decodeUtf8(std::string_view bytes, std::u16string& out, bool& multiByte) {
  out.clear();
  multiByte = false;
  for (size_t i = 0; i < bytes.size();) {
    char32_t code;
    const size_t length = utf8Sequence(bytes, i, code);
    if (length == 0) return false;
    multiByte = multiByte || length > 1;
    appendUtf16(out, code);
    i += length;
  }
  return true;
}

std::string encodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (isHighSurrogate(text[i]) || isLowSurrogate(text[i])) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

const std::vector<uint8_t>& CodePage::survivingCharacters() const {
  if (!survivors_.empty()) return survivors_;
  survivors_.resize(256 * 256);
  doubleBytes_.resize(256 * 256);
  for (int a = 1; a < 256; ++a) {
    const bool lead = isLeadByte(static_cast<uint8_t>(a));
    for (int b = 0; b < (lead ? 256 : 1); ++b) {
      const char unit[2] = {static_cast<char>(a), static_cast<char>(b)};
      const std::string_view bytes(unit, lead ? 2 : 1);
      const std::u16string unicode = toUnicode(bytes);
      survivors_[a * 256 + b] = unicode.size() == 1 && fromUnicode(unicode) == bytes;
      if (lead && survivors_[a * 256 + b]) doubleBytes_[unicode[0]] = a * 256 + b;
    }
  }
  return survivors_;
}

const std::vector<uint16_t>& CodePage::doubleByteCharacters() const {
  survivingCharacters();
  return doubleBytes_;
}

bool survivesCodePage(std::string_view bytes, const CodePage& codePage) {
  const std::vector<uint8_t>& survivors = codePage.survivingCharacters();
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    if (!codePage.isLeadByte(*p)) {
      if (!survivors[*p * 256]) return false;
      ++p;
    } else {
      if (end - p < 2 || !survivors[p[0] * 256 + p[1]]) return false;
      p += 2;
    }
  }
  return true;
}

DecodedDocument decodeDocument(std::string_view bytes, const CodePage& codePage) {
  if (startsWith(bytes, "\xFF\xFE")) return decodeUtf16(bytes, DocumentEncoding::Utf16Le, codePage);
  if (startsWith(bytes, "\xFE\xFF")) return decodeUtf16(bytes, DocumentEncoding::Utf16Be, codePage);
  if (std::memchr(bytes.data(), 0, bytes.size())) return refused(OpenRefusal::ZeroByte);

  DecodedDocument d;
  if (startsWith(bytes, kUtf8Bom) && decodeShowableUtf8(bytes.substr(3), codePage, d.text)) {
    d.encoding = DocumentEncoding::Utf8Bom;
    return d;
  }
  // Code page text is shown as it is, which only works for bytes the text box gives back.
  const bool codePageText = survivesCodePage(bytes, codePage);
  if (utf8Kind(bytes) != Utf8Kind::MultiByte ||
      (codePageText && gbkReadingCost(bytes, codePage) <= utf8ReadingCost(bytes, codePage))) {
    return codePageText ? DecodedDocument() : refused(OpenRefusal::UnknownEncoding);
  }
  // UTF-8 with a character the code page lacks is never shown as code page text instead.
  if (!decodeShowableUtf8(bytes, codePage, d.text)) return refused(OpenRefusal::Unrepresentable);
  d.encoding = DocumentEncoding::Utf8;
  return d;
}

std::string encodeDocument(std::string_view text, DocumentEncoding encoding,
                           const CodePage& codePage) {
  std::string out;
  switch (encoding) {
    case DocumentEncoding::Gbk:
      return std::string(text);
    case DocumentEncoding::Utf8Bom:
      out = kUtf8Bom;
      break;
    case DocumentEncoding::Utf16Le:
      out = "\xFF\xFE";
      break;
    case DocumentEncoding::Utf16Be:
      out = "\xFE\xFF";
      break;
    case DocumentEncoding::Utf8:
      break;
  }
  for (size_t start = 0; start < text.size();) {
    const size_t end = pieceEnd(text, start, codePage);
    const std::u16string unicode = codePage.toUnicode(text.substr(start, end - start));
    if (encoding == DocumentEncoding::Utf8 || encoding == DocumentEncoding::Utf8Bom)
      out += encodeUtf8(unicode);
    else
      appendUtf16Bytes(out, unicode, encoding == DocumentEncoding::Utf16Be);
    start = end;
  }
  return out;
}

size_t lengthWithoutLoneLeadByte(std::string_view text, const CodePage& codePage) {
  // A byte below 0x40 is never a trail byte, so the characters can be counted from there.
  size_t i = text.size();
  while (i > 0 && static_cast<uint8_t>(text[i - 1]) >= 0x40) --i;
  while (i < text.size()) {
    if (!codePage.isLeadByte(static_cast<uint8_t>(text[i]))) {
      ++i;
    } else if (i + 1 == text.size()) {
      return i;
    } else {
      i += 2;
    }
  }
  return text.size();
}

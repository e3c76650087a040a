#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text box holds text in the system's ANSI code page. A file's bytes become that text in
// one of a few ways, and a save must turn the text back into the same kind of bytes.
enum class DocumentEncoding : uint8_t { Gbk, Utf8, Utf8Bom, Utf16Le, Utf16Be };

// The system's ANSI code page, converted exactly as the system converts it (which is what the
// text box does to every text it is given and every text it gives back).
class CodePage {
 public:
  explicit CodePage(const std::array<bool, 256>& leadBytes) : leadBytes_(leadBytes) {}
  virtual ~CodePage() = default;
  virtual std::u16string toUnicode(std::string_view bytes) const = 0;
  // Characters the code page lacks come back as whatever the system puts in their place.
  virtual std::string fromUnicode(std::u16string_view text) const = 0;
  bool isLeadByte(uint8_t byte) const { return leadBytes_[byte]; }
  // For every character (a byte that is not a lead byte, or a lead byte and the byte after
  // it), whether it comes back unchanged from a conversion to UTF-16 and back: 1 at
  // first * 256 + second, where second is 0 for a single byte. The conversion goes character
  // by character, so this tells for any text. Worked out with the conversions themselves, for
  // every character at once, on first use.
  const std::vector<uint8_t>& survivingCharacters() const;
  // For every character of the Basic Multilingual Plane, the two bytes (first * 256 + second)
  // of the double-byte character that comes back unchanged as it, or 0. Worked out with the
  // table above.
  const std::vector<uint16_t>& doubleByteCharacters() const;

 private:
  std::array<bool, 256> leadBytes_;
  mutable std::vector<uint8_t> survivors_;
  mutable std::vector<uint16_t> doubleBytes_;
};

// Why a file cannot be held intact in the text box.
enum class OpenRefusal : uint8_t {
  None,
  ZeroByte,         // a zero byte outside UTF-16 with a byte-order mark: binary data
  Unrepresentable,  // Unicode text with characters the code page lacks
  DamagedUtf16,     // odd length or a surrogate without its other half
  UnknownEncoding,  // neither code page text that survives the text box nor UTF-8
};

struct DecodedDocument {
  DocumentEncoding encoding = DocumentEncoding::Gbk;
  OpenRefusal refusal = OpenRefusal::None;
  // The text for the text box. Empty for Gbk: its text is the file's bytes as they are.
  std::string text;
};

// Chooses how `bytes` become text, or refuses them when a save of the unedited text could not
// give back exactly these bytes. Bytes that are both UTF-8 and code page text take the reading
// likelier for a Chinese user's file; UTF-8 that wins but holds a character the code page lacks
// is refused. Linear in the size of the file.
DecodedDocument decodeDocument(std::string_view bytes, const CodePage& codePage);

// The bytes a save writes for the text box's `text` in a document of `encoding`.
std::string encodeDocument(std::string_view text, DocumentEncoding encoding,
                           const CodePage& codePage);

// True when the code page's conversion gives back exactly `bytes`.
bool survivesCodePage(std::string_view bytes, const CodePage& codePage);

// The length of `text` without a last lead byte that has no trail byte after it. The system
// would take the terminating zero for that trail byte and read on past the text.
size_t lengthWithoutLoneLeadByte(std::string_view text, const CodePage& codePage);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) to UTF-16; false for
// anything else. `multiByte` tells whether any character took more than one byte.
bool decodeUtf8(std::string_view bytes, std::u16string& out, bool& multiByte);
std::string encodeUtf8(std::u16string_view text);
// Appends one code point, as a surrogate pair above U+FFFF.
void appendUtf16(std::u16string& out, char32_t code);

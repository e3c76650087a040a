#pragma once
#include <cstdint>
#include <utility>

#include "runtime/byte_buffer.h"
#include "runtime/text.h"

// How a property's value travels between the application, the component model and a
// component.
enum PropertyKind : uint16_t {
  kKindInteger = 1000,
  kKindInteger2 = 1001,
  kKindReal = 1002,
  kKindLogical = 1003,
  kKindDateTime = 1004,
  kKindText = 1005,
  kKindChoice = 1006,
  kKindText2 = 1007,
  kKindText3 = 1008,
  kKindPicture = 1009,
  kKindIcon = 1010,
  kKindPointer = 1011,
  kKindSound = 1012,
  kKindFont = 1013,
  kKindColour = 1014,
  kKindColourTransparent = 1015,
  kKindFileName = 1016,
  kKindColourSystem = 1017,
  kKindBinding = 1018,
  kKindBinding2 = 1020,
  kKindImageList = 1023,
  kKindCustomData = 1024,
};

enum PropertyFlags : uint16_t {
  kPropertyNormal = 0x8000,
  kPropertyRunTimeOnly = 0x0008,
};

// 0xFF000000 in a colour of kind 1017: the system's button-face colour.
constexpr uint32_t kSystemDefaultColour = 0xFF000000;
uint32_t resolveColour(uint32_t colour);  // GetSysColor(COLOR_BTNFACE) for the marker

// The font read or written whole (sub-index -1).
struct FontValue {
  int32_t angle = 0;  // tenths of a degree
  int32_t bold = 0;
  int32_t italic = 0;
  int32_t strikeOut = 0;
  int32_t underline = 0;
  int32_t size = 0;  // points
  Text faceName;
};

enum FontField {
  kFontWhole = -1,
  kFontAngle = 0,
  kFontBold,
  kFontItalic,
  kFontStrikeOut,
  kFontUnderline,
  kFontSize,
  kFontFaceName
};

// A property value. Numbers (integer, logical, choice, colour, and the 8 bytes of reals and
// date-times) use `number`; texts `text`; byte data and raw fonts (a 60-byte LOGFONTA)
// `bytes`; a whole font `font`.
class PropertyValue {
 public:
  PropertyValue() = default;
  PropertyValue(int32_t n) : number_(n) {}
  PropertyValue(uint32_t n) : number_(static_cast<int32_t>(n)) {}
  PropertyValue(int64_t n) : number_(n) {}
  PropertyValue(double d);
  PropertyValue(const char* s) : text_(Text::copyOf(s)) {}
  PropertyValue(Text t) : text_(std::move(t)) {}
  PropertyValue(ByteBuffer b) : bytes_(std::move(b)) {}
  PropertyValue(FontValue f) : font_(std::move(f)) {}

  static PropertyValue fromPair(uint32_t low, uint32_t high) {
    return PropertyValue(static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low));
  }
  // A value the component could not read whole (no memory for a copy of a long text). It
  // reads as empty; callers that must not take it for an empty value ask unreadable().
  static PropertyValue unreadableValue() {
    PropertyValue v;
    v.unreadable_ = true;
    return v;
  }

  int32_t asInt() const { return static_cast<int32_t>(number_); }
  int64_t asInt64() const { return number_; }
  uint32_t low() const { return static_cast<uint32_t>(number_); }
  uint32_t high() const { return static_cast<uint32_t>(static_cast<uint64_t>(number_) >> 32); }
  double asReal() const;
  bool asBool() const { return number_ != 0; }
  const Text& asText() const { return text_; }
  // Moves the text out: a long text is not copied on its way to the caller.
  Text takeText() { return std::move(text_); }
  bool unreadable() const { return unreadable_; }
  const char* c_str() const { return text_.c_str(); }
  const ByteBuffer& asBytes() const { return bytes_; }
  const FontValue& asFont() const { return font_; }

 private:
  int64_t number_ = 0;
  Text text_;
  ByteBuffer bytes_;
  FontValue font_;
  bool unreadable_ = false;
};

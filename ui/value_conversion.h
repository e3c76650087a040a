#pragma once
#include <cstdint>
#include <optional>

#include "ui/property_value.h"

// The value conversions of property access that need no window system, kept apart so the
// host build can test and fuzz them.

// A LOGFONTA, laid out byte for byte (60 bytes), usable without windows.h.
struct LogFont {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[32];
};
static_assert(sizeof(LogFont) == 60);

// Round-to-nearest a * b / c, as Windows' MulDiv (-1 when c is 0).
int32_t mulDiv(int32_t a, int32_t b, int32_t c);

// Value written to a property of `kind` (fonts excepted).
PropertyValue convertForWrite(PropertyKind kind, const PropertyValue& value);
// True for the kinds whose written value goes to the component as it is (texts): a document
// of hundreds of megabytes is not copied on its way.
bool writtenUnchanged(PropertyKind kind);
// Value returned when reading a raw component value of `kind` (fonts excepted). Texts are
// moved out of `raw`, not copied; an unreadable value stays unreadable.
PropertyValue convertForRead(PropertyKind kind, PropertyValue raw);

// Font sub-properties at `dpi` (LOGPIXELSY). sub -1 reads/writes the whole FontValue; any
// other sub-index than those of FontField reads nothing.
PropertyValue readFontField(const LogFont& font, int sub, int dpi);
// Starts from `font` and changes what `sub` selects; sub -1 rebuilds it from a FontValue.
// nullopt for an unknown sub-index: the write is refused.
std::optional<LogFont> writeFontField(const LogFont& font, int sub, const PropertyValue& value,
                                      int dpi);
// The face used when a written name is empty or longer than 31 bytes.
inline constexpr const char* kFallbackFace = "宋体";

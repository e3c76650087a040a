#include "ui/value_conversion.h"

#include <cstdlib>
#include <cstring>

int32_t mulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t half = std::llabs(c) / 2;
  bool negative = (p < 0) != (c < 0);
  int64_t q = (std::llabs(p) + half) / std::llabs(c);
  if (q > 0x7FFFFFFF) return -1;
  return static_cast<int32_t>(negative ? -q : q);
}

PropertyValue convertForWrite(PropertyKind kind, const PropertyValue& value) {
  switch (kind) {
    case kKindLogical:
      return PropertyValue(value.asInt() != 0 ? 1 : 0);
    case kKindChoice:
      return PropertyValue(value.asInt() < 0 ? 0 : value.asInt());
    case kKindInteger:
    case kKindInteger2:
    case kKindColour:
    case kKindColourTransparent:
    case kKindColourSystem:
      return PropertyValue(value.asInt());
    case kKindReal:
    case kKindDateTime:
      return PropertyValue(value.asInt64());
    case kKindText:
    case kKindText2:
    case kKindText3:
    case kKindFileName:
    case kKindBinding:
    case kKindBinding2:
      return PropertyValue(Text::copyOf(value.c_str()));
    default:
      return PropertyValue(value.asBytes());
  }
}

bool writtenUnchanged(PropertyKind kind) {
  switch (kind) {
    case kKindText:
    case kKindText2:
    case kKindText3:
    case kKindFileName:
    case kKindBinding:
    case kKindBinding2:
      return true;
    default:
      return false;
  }
}

PropertyValue convertForRead(PropertyKind kind, PropertyValue raw) {
  if (raw.unreadable()) return raw;
  switch (kind) {
    case kKindLogical:
      return PropertyValue(raw.asInt64() == 1 ? 1 : 0);
    case kKindReal:
    case kKindDateTime:
      return PropertyValue(raw.asInt64());
    case kKindText:
    case kKindText2:
    case kKindText3:
    case kKindFileName:
    case kKindBinding:
    case kKindBinding2:
      return PropertyValue(raw.takeText());
    case kKindPicture:
    case kKindIcon:
    case kKindPointer:
    case kKindSound:
    case kKindImageList:
    case kKindCustomData:
    case kKindFont:
      return PropertyValue(raw.asBytes());
    default:
      return PropertyValue(raw.asInt());
  }
}

namespace {

// The sign goes into the multiplier: INT_MIN has no 32-bit magnitude.
int32_t pointSize(const LogFont& f, int dpi) {
  return mulDiv(f.lfHeight, f.lfHeight < 0 ? -72 : 72, dpi);
}

Text faceName(const LogFont& f) {
  return Text::copyOf(std::string_view(f.lfFaceName, strnlen(f.lfFaceName, sizeof f.lfFaceName)));
}

void setFace(LogFont& f, const char* name) {
  size_t n = name ? std::strlen(name) : 0;
  if (n == 0 || n > 31) {
    name = kFallbackFace;
    n = std::strlen(name);
  }
  std::memset(f.lfFaceName, 0, sizeof f.lfFaceName);
  std::memcpy(f.lfFaceName, name, n);
}

int32_t heightFor(int32_t size, int dpi) { return -mulDiv(size < 0 ? 0 : size, dpi, 72); }

int32_t normaliseAngle(int32_t angle) {
  int32_t a = angle % 3600;
  return a < 0 ? a + 3600 : a;
}

}  // namespace

PropertyValue readFontField(const LogFont& f, int sub, int dpi) {
  switch (sub) {
    case kFontAngle:
      return PropertyValue(f.lfOrientation);
    case kFontBold:
      return PropertyValue(f.lfWeight >= 700 ? 1 : 0);
    case kFontItalic:
      return PropertyValue(f.lfItalic ? 1 : 0);
    case kFontStrikeOut:
      return PropertyValue(f.lfStrikeOut ? 1 : 0);
    case kFontUnderline:
      return PropertyValue(f.lfUnderline ? 1 : 0);
    case kFontSize:
      return PropertyValue(pointSize(f, dpi));
    case kFontFaceName:
      return PropertyValue(faceName(f));
    case kFontWhole: {
      FontValue v;
      v.angle = f.lfOrientation;
      v.bold = f.lfWeight >= 700;
      v.italic = f.lfItalic != 0;
      v.strikeOut = f.lfStrikeOut != 0;
      v.underline = f.lfUnderline != 0;
      v.size = pointSize(f, dpi);
      v.faceName = faceName(f);
      return PropertyValue(std::move(v));
    }
    default:
      return PropertyValue();
  }
}

std::optional<LogFont> writeFontField(const LogFont& font, int sub, const PropertyValue& value,
                                      int dpi) {
  LogFont f = font;
  int32_t n = value.asInt();
  switch (sub) {
    case kFontAngle:
      f.lfEscapement = f.lfOrientation = normaliseAngle(n);
      break;
    case kFontBold:
      f.lfWeight = n ? 700 : 0;
      break;
    case kFontItalic:
      f.lfItalic = n ? 1 : 0;
      break;
    case kFontStrikeOut:
      f.lfStrikeOut = n ? 1 : 0;
      break;
    case kFontUnderline:
      f.lfUnderline = n ? 1 : 0;
      break;
    case kFontSize:
      f.lfHeight = heightFor(n, dpi);
      break;
    case kFontFaceName:
      setFace(f, value.c_str());
      break;
    case kFontWhole: {
      const FontValue& v = value.asFont();
      f = LogFont{};
      f.lfEscapement = f.lfOrientation = normaliseAngle(v.angle);
      f.lfWeight = v.bold ? 700 : 0;
      f.lfItalic = v.italic ? 1 : 0;
      f.lfStrikeOut = v.strikeOut ? 1 : 0;
      f.lfUnderline = v.underline ? 1 : 0;
      f.lfHeight = heightFor(v.size, dpi);
      setFace(f, v.faceName.isNull() ? nullptr : v.faceName.c_str());
      break;
    }
    default:
      return std::nullopt;
  }
  return f;
}

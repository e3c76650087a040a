#include "runtime/convert.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/heap.h"

uint32_t numericWidth(uint32_t tag) {
  switch (tag & ~static_cast<uint32_t>(kTagArrayFlag)) {
    case kTagByte:
      return 1;
    case kTagShort:
      return 2;
    case kTagInt:
    case kTagFloat:
    case kTagBool:
      return 4;
    case kTagLong:
    case kTagDouble:
    case kTagDateTime:
      return 8;
    default:
      return 0;
  }
}

namespace {

bool isArray(uint32_t tag) { return (tag & kTagArrayFlag) != 0; }

// The six numeric tags end in 01; bools and date-times have widths but are not numbers.
bool isNumeric(uint32_t tag) { return (tag & 0xFF) == 0x01 && numericWidth(tag) != 0; }

// The element bytes of a one-dimensional array of a numeric type; false for anything else
// (arrays of bools, date-times, texts or buffers, several dimensions, a null block).
bool arrayBytes(const TypedValue& v, const uint8_t*& bytes, uint64_t& size) {
  uint32_t width = numericWidth(v.tag);
  if (!isNumeric(v.tag) || v.value == 0) return false;
  const auto* block = reinterpret_cast<const uint32_t*>(v.value);
  if (block[0] != 1) return false;
  bytes = reinterpret_cast<const uint8_t*>(block + 2);
  size = static_cast<uint64_t>(block[1]) * width;
  return true;
}

const ByteBuffer::Header* bufferBlock(const TypedValue& v) {
  return reinterpret_cast<const ByteBuffer::Header*>(v.value);
}

const char* textChars(const TypedValue& v) {
  return v.value ? reinterpret_cast<const char*>(v.value) : "";
}

template <typename T>
T loadAs(const TypedValue& v) {
  uint64_t wide = v.wide();
  T out;
  std::memcpy(&out, &wide, sizeof out);  // little-endian: the low bytes come first
  return out;
}

Text formatFloating(double d, int precision) {
  if (std::isnan(d)) return Text::copyOf("nan");
  if (std::isinf(d)) return Text::copyOf(d < 0 ? "-inf" : "inf");
  // to_chars keeps the form identical on every C runtime (msvcrt prints three-digit
  // exponents and its own spelling of special values).
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
  return Text::copyOf(std::string_view(buf, r.ptr - buf));
}

struct CivilTime {
  int year, month, day, hour, minute, second;
};

// OLE dates count days from 1899-12-30; below zero the fraction still moves forward in the
// day (-1.25 is 1899-12-29 06:00). Only the years 100 to 9999 are valid.
bool civilFromOleDate(double date, CivilTime& out) {
  if (!(date > -657435.0 && date < 2958466.0)) return false;
  double wholeDays = std::trunc(date);
  auto seconds = static_cast<int64_t>(std::llround(std::fabs(date - wholeDays) * 86400.0));
  int64_t days = static_cast<int64_t>(wholeDays) + seconds / 86400;
  seconds %= 86400;

  // Days since 1970-01-01 to a proleptic Gregorian date, by 400-year eras.
  int64_t z = days - 25569 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  out.year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  out.month = static_cast<int>(month);
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>(seconds / 60 % 60);
  out.second = static_cast<int>(seconds % 60);
  return true;
}

Text formatDateTime(double date) {
  CivilTime t;
  if (!civilFromOleDate(date, t)) return Text();
  char buf[96];
  int n = std::snprintf(buf, sizeof buf, "%d年%d月%d日", t.year, t.month, t.day);
  if (t.hour || t.minute || t.second)
    std::snprintf(buf + n, sizeof buf - n, "%d时%d分%d秒", t.hour, t.minute, t.second);
  return Text::copyOf(buf);
}

}  // namespace

ByteBuffer toBytes(const TypedValue& v) {
  if (isArray(v.tag)) {
    const uint8_t* bytes;
    uint64_t size;
    if (!arrayBytes(v, bytes, size) || size > SIZE_MAX) return ByteBuffer();
    return ByteBuffer::copyOf(bytes, static_cast<size_t>(size));
  }
  switch (v.tag) {
    case kTagText:
      return ByteBuffer::copyOf(std::string_view(textChars(v)));
    case kTagBytes: {
      const ByteBuffer::Header* block = bufferBlock(v);
      return block ? ByteBuffer::copyOf(block + 1, block->count) : ByteBuffer();
    }
    default: {
      uint32_t width = numericWidth(v.tag);
      uint64_t wide = v.wide();
      return width ? ByteBuffer::copyOf(&wide, width) : ByteBuffer();
    }
  }
}

Text toText(const TypedValue& v) {
  if (isArray(v.tag)) {
    const uint8_t* bytes;
    uint64_t size;
    if (!arrayBytes(v, bytes, size)) return Text();
    return Text::copyOf(std::string_view(reinterpret_cast<const char*>(bytes), size));
  }
  char buf[32];
  switch (v.tag) {
    case kTagText:
      return Text::copyOf(textChars(v));
    case kTagBytes: {
      const ByteBuffer::Header* block = bufferBlock(v);
      if (!block) return Text();
      return Text::copyOf(std::string_view(reinterpret_cast<const char*>(block + 1), block->count));
    }
    case kTagByte:
      std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(loadAs<uint8_t>(v)));
      return Text::copyOf(buf);
    case kTagShort:
      std::snprintf(buf, sizeof buf, "%d", static_cast<int>(loadAs<int16_t>(v)));
      return Text::copyOf(buf);
    case kTagInt:
      std::snprintf(buf, sizeof buf, "%d", static_cast<int>(loadAs<int32_t>(v)));
      return Text::copyOf(buf);
    case kTagLong: {
      auto r = std::to_chars(buf, buf + sizeof buf, loadAs<int64_t>(v));
      return Text::copyOf(std::string_view(buf, r.ptr - buf));
    }
    case kTagFloat:
      return formatFloating(loadAs<float>(v), 7);
    case kTagDouble:
      return formatFloating(loadAs<double>(v), 15);
    case kTagBool:
      return Text::copyOf(static_cast<uint32_t>(v.value) ? "真" : "假");
    case kTagDateTime:
      return formatDateTime(loadAs<double>(v));
    default:
      return Text();
  }
}

// The block holds the 8-byte header and the bytes: moved down over the header, the bytes leave
// room for the terminating zero.
Text toText(ByteBuffer&& b) {
  const uint32_t count = b.size();
  if (count == 0) return Text();
  auto* block = reinterpret_cast<char*>(b.release());
  const size_t length = std::find(block + sizeof(ByteBuffer::Header),
                                  block + sizeof(ByteBuffer::Header) + count, '\0') -
                        (block + sizeof(ByteBuffer::Header));
  std::memmove(block, block + sizeof(ByteBuffer::Header), length);
  block[length] = '\0';
  if (length == 0) {
    runtimeFree(block);
    return Text();
  }
  return Text::adopt(block);
}

#include "form/property_blob.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool word(uint32_t& v) {
    if (size_ - pos_ < 4) return false;
    const uint8_t* p = data_ + pos_;
    v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    pos_ += 4;
    return true;
  }
  bool half(int32_t& v) {
    if (size_ - pos_ < 2) return false;
    const uint8_t* p = data_ + pos_;
    v = static_cast<int16_t>(uint16_t(p[0] | p[1] << 8));
    pos_ += 2;
    return true;
  }
  bool counted(std::vector<uint8_t>& out) {
    uint32_t n = 0;
    out.clear();
    if (!word(n)) return false;
    if (static_cast<int32_t>(n) <= 0) return true;
    if (n > size_ - pos_) return false;
    out.assign(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

void putWord(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void keepBeforeNul(std::vector<uint8_t>& bytes) {
  bytes.erase(std::find(bytes.begin(), bytes.end(), uint8_t{0}), bytes.end());
}

}  // namespace

PropertyBlob::PropertyBlob(const BlobLayout& layout)
    : layout_(&layout), values_(layout.fieldCount) {
  for (size_t i = 0; i < layout.fieldCount; ++i) {
    const BlobField& f = layout.fields[i];
    values_[i].number = f.defaultNumber;
    if (f.kind == FieldKind::Text && f.defaultText) setText(i, f.defaultText);
  }
}

std::optional<PropertyBlob> PropertyBlob::read(const BlobLayout& layout, const uint8_t* data,
                                               size_t size) {
  try {
    PropertyBlob blob(layout);
    if (size == 0) return blob;
    if (!data) return std::nullopt;

    Cursor in(data, size);
    uint32_t version = 0;
    if (!in.word(version) || version > layout.version) return std::nullopt;
    blob.storedVersion_ = version;
    for (size_t i = 0; i < layout.fieldCount; ++i) {
      const BlobField& f = layout.fields[i];
      if (f.sinceVersion > version) continue;
      Value& v = blob.values_[i];
      bool ok = false;
      switch (f.kind) {
        case FieldKind::Int32: {
          uint32_t w = 0;
          ok = in.word(w);
          v.number = static_cast<int32_t>(w);
          break;
        }
        case FieldKind::Int16:
          ok = in.half(v.number);
          break;
        case FieldKind::Text:
          ok = in.counted(v.bytes);
          keepBeforeNul(v.bytes);
          break;
        case FieldKind::Bytes:
          ok = in.counted(v.bytes);
          break;
      }
      if (!ok) return std::nullopt;
    }
    return blob;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::vector<uint8_t> PropertyBlob::write() const { return write(layout_->version); }

std::vector<uint8_t> PropertyBlob::write(uint32_t version) const {
  std::vector<uint8_t> out;
  putWord(out, version);
  for (size_t i = 0; i < layout_->fieldCount; ++i) {
    const BlobField& f = layout_->fields[i];
    if (f.sinceVersion > version) continue;
    const Value& v = values_[i];
    switch (f.kind) {
      case FieldKind::Int32:
        putWord(out, static_cast<uint32_t>(v.number));
        break;
      case FieldKind::Int16:
        out.push_back(static_cast<uint8_t>(v.number));
        out.push_back(static_cast<uint8_t>(v.number >> 8));
        break;
      case FieldKind::Text:
      case FieldKind::Bytes:
        putWord(out, static_cast<uint32_t>(v.bytes.size()));
        out.insert(out.end(), v.bytes.begin(), v.bytes.end());
        break;
    }
  }
  return out;
}

std::string PropertyBlob::text(size_t field) const {
  const auto& b = values_[field].bytes;
  return std::string(b.begin(), b.end());
}

void PropertyBlob::setText(size_t field, std::string_view s) {
  s = s.substr(0, s.find('\0'));
  values_[field].bytes.assign(s.begin(), s.end());
}

#include "ui/model/property_table.h"

#include <vector>

namespace {

FieldKind kindOf(const PropertyBlob& blob, const PropertyRow& row) {
  return blob.layout().fields[row.field].kind;
}

bool isNumber(FieldKind kind) { return kind == FieldKind::Int32 || kind == FieldKind::Int16; }

}  // namespace

const PropertyRow* findProperty(PropertyTable table, int index) {
  for (const PropertyRow& row : table)
    if (row.index == index) return &row;
  return nullptr;
}

bool getProperty(PropertyTable table, const Component& c, int index, PropertyValue& out) {
  const PropertyRow* row = findProperty(table, index);
  if (!row) return false;
  out = row->read(c, *row);
  return true;
}

int setProperty(PropertyTable table, Component& c, int index, const PropertyValue& value) {
  const PropertyRow* row = findProperty(table, index);
  if (!row) return 0;
  if (!row->limits.clamps()) return row->write(c, *row, value);
  return row->write(c, *row, PropertyValue(row->limits.clamp(value.asInt())));
}

PropertyValue storedValue(const PropertyBlob& blob, const PropertyRow& row) {
  switch (kindOf(blob, row)) {
    case FieldKind::Text:
      return PropertyValue(Text::copyOf(blob.text(row.field)));
    case FieldKind::Bytes: {
      const std::vector<uint8_t>& b = blob.bytes(row.field);
      return PropertyValue(ByteBuffer::copyOf(b.data(), b.size()));
    }
    default:
      return PropertyValue(blob.number(row.field));
  }
}

void store(PropertyBlob& blob, const PropertyRow& row, const PropertyValue& value) {
  switch (kindOf(blob, row)) {
    case FieldKind::Text:
      blob.setText(row.field, value.asText().view());
      break;
    case FieldKind::Bytes: {
      const ByteBuffer& b = value.asBytes();
      blob.setBytes(row.field, std::vector<uint8_t>(b.data(), b.data() + b.size()));
      break;
    }
    default:
      blob.setNumber(row.field, value.asInt());
      break;
  }
}

void clampStored(PropertyTable table, PropertyBlob& blob) {
  for (const PropertyRow& row : table)
    if (row.field >= 0 && row.limits.clamps() && isNumber(kindOf(blob, row)))
      blob.setNumber(row.field, row.limits.clamp(blob.number(row.field)));
}

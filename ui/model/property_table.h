#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "form/property_blob.h"
#include "ui/model/property_value.h"

class Component;

// The range a written number is clamped into before the component sees it.
struct PropertyLimits {
  int32_t min = INT32_MIN;
  int32_t max = INT32_MAX;

  bool clamps() const { return min != INT32_MIN || max != INT32_MAX; }
  int32_t clamp(int32_t v) const { return std::clamp(v, min, max); }
};

// One type-specific property of a component type. Each type lists its properties in one table
// of these rows, in its own source file, and registers the table with the type:
//
//   {kEditBorder, kKindChoice, {0, 5}, readBorder, writeBorder},
//
// read and write get the component and their own row; write gets the value converted by the
// kind and clamped into the limits, and returns 1 when the unit must be re-created for the
// change to take effect.
struct PropertyRow {
  int index;  // 8 and up: the property's number in the type's enum
  PropertyKind kind;
  PropertyLimits limits;
  PropertyValue (*read)(const Component&, const PropertyRow&);
  int (*write)(Component&, const PropertyRow&, const PropertyValue&);
  int field = -1;  // where a component that keeps its properties in its stored block keeps it
  uint16_t flags = kPropertyNormal;
};

using PropertyTable = std::span<const PropertyRow>;

// The row of `index`, or null when the type has no such property.
const PropertyRow* findProperty(PropertyTable table, int index);
// False, with `out` untouched, when the type has no property `index`.
bool getProperty(PropertyTable table, const Component& c, int index, PropertyValue& out);
// 0 without effect when the type has no property `index`.
int setProperty(PropertyTable table, Component& c, int index, const PropertyValue& value);

// For components whose properties live in their stored block, at the row's field.
PropertyValue storedValue(const PropertyBlob& blob, const PropertyRow& row);
void store(PropertyBlob& blob, const PropertyRow& row, const PropertyValue& value);
// Clamps each stored number into its row's limits, as a written one would be.
void clampStored(PropertyTable table, PropertyBlob& blob);

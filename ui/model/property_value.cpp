#include "ui/model/property_value.h"

#include <cstring>

PropertyValue::PropertyValue(double d) { std::memcpy(&number_, &d, sizeof d); }

double PropertyValue::asReal() const {
  double d;
  std::memcpy(&d, &number_, sizeof d);
  return d;
}

#include "ui/model/stock_pointer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// The ends of the table; a kind past its end must not be read (the sanitizers watch).
TEST(StockPointer, KindsOutsideTheTableHaveNoCursor) {
  const struct {
    uint32_t kind;
    uint16_t cursor;
  } cases[] = {{0, 0}, {1, 32512}, {15, 32649}, {16, 0}, {0xFFFFFFFF, 0}};
  for (const auto& c : cases) EXPECT_EQ(stockPointerCursor(c.kind), c.cursor) << c.kind;
}

}  // namespace

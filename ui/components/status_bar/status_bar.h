#pragma once
#include <cstdint>

#include "form/unit_id.h"
#include "runtime/typed_value.h"

// The status bar component ("状态条"): a common status bar that docks at an edge of its
// window and shows the part list held in its Parts property.

enum StatusBarProperty : int {
  kBarBackColor = 8,
  kBarAlign,
  kBarSizeGrip,
  kBarFont,
  kBarImageList,
  kBarParts,
};

// Empties the part list: the bar shows one empty simple text area.
void clearParts(UnitId window, UnitId unit);
// Appends a part (text "", width 50, tip "", icon -1, border 0 for omitted arguments) and
// returns its index.
int32_t addPart(UnitId window, UnitId unit, const TypedValue& text = {},
                const TypedValue& width = {}, const TypedValue& tip = {},
                const TypedValue& icon = {}, const TypedValue& border = {});

#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/unit_id.h"

// The edit box component ("编辑框"): a system EDIT control with its own colours, input modes
// and an optional spin button beside it.

enum EditBoxProperty : int {
  kEditContent = 8,
  kEditBorder,
  kEditTextColor,
  kEditBackColor,
  kEditFont,
  kEditHideSelection,
  kEditMaxLength,
  kEditMultiline,
  kEditScrollBars,
  kEditAlignment,
  kEditInputMode,
  kEditPasswordChar,
  kEditCaseConversion,
  kEditSpinMode,
  kEditSpinMin,
  kEditSpinMax,
  kEditSelStart,
  kEditSelLength,
  kEditSelText,
  kEditDataSource,
  kEditDataColumn,
};

// The edit box's own events; it also raises -7 and -8 on gaining and losing the focus.
enum EditBoxEvent : int32_t {
  kEditChanged = 0,
  kEditSpinPressed = 1,  // +1 up, -1 down; manual spin mode only
};

// A multi-line box takes a text of this length or longer a piece at a time, and between the
// pieces the program answers other programs (ui/long_work.h): the writer should have said
// what is going on before.
constexpr size_t kPiecewiseTextBytes = 64 * 1024;

// The spin button's control id is the edit box's plus this.
constexpr int kSpinIdOffset = 4;

// The box's text as the control keeps it, in UTF-16, copied without any conversion: the least
// work that takes a large text out of the control. Converted to the system code page
// (systemCodePage().fromUnicode, on any thread) it gives the bytes of the box's Content.
// None when there is no memory for the copy.
std::optional<std::u16string> copyContent(UnitId window, UnitId unit);

#pragma once
#include <windows.h>

#include "runtime/typed_value.h"

// What showMessageBox passes to MessageBoxA, computed apart so tests need not show a box.
struct MessageBoxRequest {
  Text text;
  Text title;
  UINT style = 0;
  HWND parent = nullptr;
};
MessageBoxRequest prepareMessageBox(const TypedValue& message, int32_t flags,
                                    const TypedValue& title, const TypedValue& parent);

#pragma once
#include <gtest/gtest.h>

#include "form/form_description.h"

// The window of the window and menu test forms (tests/win/forms/window_*.form, menu_*.form).
constexpr UnitId kWindow = 0x52010001;

// A test of windows loaded from the test forms. After each test every loaded window is closed
// and the custom handlers and the event log are cleared.
class FormWindowTest : public testing::Test {
 protected:
  void TearDown() override;
  // Makes `form` the program's form and loads its `window`.
  void load(const char* form, UnitId window = kWindow);
};

#include "tests/support/form_window_fixture.h"

#include "tests/win/test_support.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

void FormWindowTest::TearDown() {
  for (LoadedWindow* w : loadedWindows())
    if (HWND h = w->hwnd()) DestroyWindow(h);
  pumpMessages();
  for (int i = 0; i < 10; ++i) setCustomHandler(i, nullptr);
  clearEventLog();
}

void FormWindowTest::load(const char* form, UnitId window) {
  useTestForm(form);
  ASSERT_TRUE(loadWindow(window, false, nullptr));
  ASSERT_NE(windowHandle(window), nullptr);
}

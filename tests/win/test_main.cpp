#include <windows.h>
#include <ole2.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/win/test_support.h"
#include "ui/model/component_model.h"

namespace {
[[noreturn]] void throwFatal(const char* message) { throw FatalErrorThrown{message}; }
}  // namespace

int main(int argc, char** argv) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icc);
  setFatalExitForTests(&throwFatal);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

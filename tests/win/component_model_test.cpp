#include <gtest/gtest.h>

#include "tests/support/probe_component.h"
#include "ui/components/status_bar/status_bar.h"

namespace {

class ComponentModel : public ProbeWindow {};

TEST_F(ComponentModel, AUnitThatIsNotThereOrOfAnotherTypeIsFatal) {
  EXPECT_EQ(fatalMessage([] { resolveUnit(kWin, 0x16990077); }),
            "指定窗口或窗口组件不存在或尚未载入");
  EXPECT_EQ(fatalMessage([] { clearParts(kWin, kProbe); }), "指定窗口或窗口组件不存在或尚未载入")
      << "a status bar command on a unit of another type";
}

}  // namespace

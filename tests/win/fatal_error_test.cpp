#include <gtest/gtest.h>

#include "tests/support/probe_component.h"

namespace {

class FatalError : public ProbeWindow {};

TEST_F(FatalError, MessageTextNamesTheWindowAndUnit) {
  EXPECT_EQ(fatalErrorText("坏了", 0, kWin, kProbe),
            "运行时出错!\r\n\r\n错误信息：坏了\r\n\r\n1385758721, 379125761\r\n\"probes\"\r\n"
            "\"probe\"\r\n");
  EXPECT_EQ(fatalErrorText("", 7, kWin, kItem),
            "运行时出错!\r\n\r\n错误代码：7\r\n\r\n1385758721, 647561217\r\n\"probes\"\r\n"
            "未找到所指定的窗口组件\r\n");
  EXPECT_EQ(fatalLocationText(0x52000999, 0), "\r\n1375734169, 0\r\n未找到所指定的窗口\r\n");
  EXPECT_EQ(fatalLocationText(0, 0), "\r\n0, 0\r\n");
}

}  // namespace

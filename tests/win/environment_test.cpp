#include <windows.h>

#include <gtest/gtest.h>

// Guards the test environment: texts are GBK, so the ANSI code page must be 936.
TEST(Environment, AnsiCodePageIsGbk) { EXPECT_EQ(GetACP(), 936u); }

TEST(Environment, GbkRoundTripsThroughAWindow) {
  HWND h =
      CreateWindowExA(0, "STATIC", "路径", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  char text[16] = {};
  GetWindowTextA(h, text, sizeof text);
  EXPECT_STREQ(text, "路径");
  DestroyWindow(h);
}

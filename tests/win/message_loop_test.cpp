#include "ui/loop/message_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/window_probes.h"
#include "tests/win/test_support.h"
#include "ui/components/window/window.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

namespace {

class MessageLoop : public WindowTest {};

TEST_F(MessageLoop, TheMessageLoopEndsWhenTheLastWindowCloses) {
  load("window_basic");
  PostMessageA(windowHandle(), WM_CLOSE, 0, 0);
  runMessageLoop();
  EXPECT_EQ(loadedWindowCount(), 0u);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "quit consumed";
}

TEST_F(MessageLoop, IdleHandlersAreAskedUntilTheyStopAnsweringTrue) {
  useTestForm("window_modal");
  std::vector<int32_t> elapsed;
  setCustomHandler(5, [&](EventCall& e) {
    elapsed.push_back(e.arg(0));
    if (elapsed.size() < 3) {
      e.returns(1);
    } else {
      PostMessageA(windowHandle(0x52010003), WM_CLOSE, 0, 0);
    }
  });
  ASSERT_TRUE(loadWindow(0x52010003, false, nullptr));
  runMessageLoop();
  ASSERT_GE(elapsed.size(), 3u);
  EXPECT_GE(elapsed[0], 0);
  EXPECT_LE(elapsed[0], elapsed[1]);
  EXPECT_EQ(loadedWindowCount(), 0u);
}

TEST_F(MessageLoop, AModalWindowDisablesTheOthersUntilItCloses) {
  useTestForm("window_modal");
  ASSERT_TRUE(loadWindow(0x52010001, false, nullptr));
  HWND main = windowHandle(0x52010001);
  bool mainEnabledWhileModal = true;
  // The close is posted at creation, so it is handled inside the modal loop.
  setCustomHandler(3, [&](EventCall&) { PostMessageA(windowHandle(0x52010002), WM_CLOSE, 0, 0); });
  setCustomHandler(4, [&](EventCall&) { mainEnabledWhileModal = IsWindowEnabled(main) != 0; });
  ASSERT_TRUE(loadWindow(0x52010002, true, nullptr));  // returns once the modal loop ends
  EXPECT_FALSE(mainEnabledWhileModal);
  EXPECT_EQ(findLoadedWindow(0x52010002), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(eventsOf(0), std::vector<int32_t>{kWindowDestroying});
}

}  // namespace

#include "runtime/message_box.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>

#include "form/unit_id.h"
#include "runtime/message_box_detail.h"

namespace {

TypedValue dateArg(double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return {static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32), kTagDateTime};
}

std::string textOf(const TypedValue& message) {
  return prepareMessageBox(message, MB_OK, {}, {}).text.str();
}

TEST(MessageBoxRequest, ValuesAreShownAsTextAndOtherValuesAsNothing) {
  EXPECT_EQ(textOf(intArg(-42)), "-42");
  EXPECT_EQ(textOf(longArg(1LL << 40)), "1099511627776");
  EXPECT_EQ(textOf(boolArg(false)), "假");
  EXPECT_EQ(textOf(dateArg(36526.75)), "2000年1月1日18时0分0秒");
  EXPECT_EQ(textOf(textArg("第一行\r\n第二行")), "第一行\r\n第二行");
  EXPECT_EQ(textOf(textArg("")), "");

  ByteBuffer b = ByteBuffer::copyOf("abc");
  EXPECT_EQ(textOf(bytesArg(b)), "");
  uint32_t array[] = {1, 1, 0x41};
  EXPECT_EQ(textOf({reinterpret_cast<uintptr_t>(array), 0, kTagInt | kTagArrayFlag}), "");
  EXPECT_EQ(textOf({}), "");
}

TEST(MessageBoxRequest, TheTitleIsTheGivenTextOrTheDefault) {
  EXPECT_EQ(prepareMessageBox(intArg(1), 0, {}, {}).title, "信息：");
  EXPECT_EQ(prepareMessageBox(intArg(1), 0, textArg("标题"), {}).title, "标题");
  EXPECT_EQ(prepareMessageBox(intArg(1), 0, intArg(7), {}).title, "信息：");
}

TEST(MessageBoxRequest, BoxesAreTaskModalUnlessAskedToBeSystemModal) {
  EXPECT_EQ(prepareMessageBox({}, MB_YESNO | MB_ICONQUESTION, {}, {}).style,
            UINT{MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL});
  EXPECT_EQ(prepareMessageBox({}, MB_OK | MB_SYSTEMMODAL, {}, {}).style, UINT{MB_SYSTEMMODAL});
  EXPECT_EQ(prepareMessageBox({}, MB_TASKMODAL, {}, {}).style, UINT{MB_TASKMODAL});
}

TEST(MessageBoxRequest, TheParentIsAHandleOrALoadedWindow) {
  HWND owner =
      CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner);
  auto handle = reinterpret_cast<uintptr_t>(owner);
  EXPECT_EQ(prepareMessageBox({}, 0, {}, intArg(static_cast<int32_t>(handle))).parent, owner);
  EXPECT_EQ(prepareMessageBox({}, 0, {}, {handle, 0, kTagLong}).parent, nullptr);
  EXPECT_EQ(prepareMessageBox({}, 0, {}, {}).parent, nullptr);
  // A window object whose window is not loaded leaves the box without owner.
  EXPECT_EQ(prepareMessageBox({}, 0, {}, {0x02000001, 0, kWindowType}).parent, nullptr);
  DestroyWindow(owner);
}

// Waits on another thread for the box the calling thread shows, notes it, then presses
// `button`.
class BoxPresser {
 public:
  explicit BoxPresser(int button) : thread_(GetCurrentThreadId()), button_(button) {
    worker_ = std::thread([this] { run(); });
  }
  ~BoxPresser() { join(); }
  void join() {
    if (worker_.joinable()) worker_.join();
  }

  std::string title, text;
  HWND owner = nullptr;
  bool found = false;

 private:
  void run() {
    for (int i = 0; i < 200 && !found; ++i) {
      Sleep(50);
      EnumThreadWindows(thread_, &BoxPresser::visit, reinterpret_cast<LPARAM>(this));
    }
  }
  static BOOL CALLBACK visit(HWND hwnd, LPARAM self) {
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    auto* p = reinterpret_cast<BoxPresser*>(self);
    char buf[256] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    p->title = buf;
    GetDlgItemTextA(hwnd, 0xFFFF, buf, sizeof buf);
    p->text = buf;
    p->owner = GetWindow(hwnd, GW_OWNER);
    p->found = true;
    PostMessageA(hwnd, WM_COMMAND, p->button_, 0);
    return FALSE;
  }

  DWORD thread_;
  int button_;
  std::thread worker_;
};

TEST(ShowMessageBox, EachButtonPressedAnswersItsNumber) {
  struct Case {
    int32_t style;
    int button, answer;
  } cases[] = {
      {MB_OK, IDOK, 0},
      {MB_OKCANCEL, IDCANCEL, 1},
      {MB_ABORTRETRYIGNORE, IDABORT, 2},
      {MB_RETRYCANCEL, IDRETRY, 3},
      {MB_ABORTRETRYIGNORE, IDIGNORE, 4},
      {MB_YESNOCANCEL, IDYES, 5},
      {MB_YESNO, IDNO, 6},
  };
  for (const auto& c : cases) {
    BoxPresser presser(c.button);
    int answer = showMessageBox(intArg(123), c.style);
    presser.join();
    ASSERT_TRUE(presser.found) << c.button;
    EXPECT_EQ(answer, c.answer) << c.button;
    EXPECT_EQ(presser.title, "信息：");
    EXPECT_EQ(presser.text, "123");
    EXPECT_EQ(presser.owner, nullptr);
  }
}

TEST(ShowMessageBox, AYesNoBoxBelongsToItsParentAndAnswersNoAsSix) {
  HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner);
  BoxPresser presser(IDNO);
  int answer = showMessageBox(textArg("继续？"), MB_YESNO, textArg("问题"),
                              intArg(static_cast<int32_t>(reinterpret_cast<uintptr_t>(owner))));
  presser.join();
  DestroyWindow(owner);
  ASSERT_TRUE(presser.found);
  EXPECT_EQ(answer, 6);
  EXPECT_EQ(presser.title, "问题");
  EXPECT_EQ(presser.text, "继续？");
  EXPECT_EQ(presser.owner, owner);
}

}  // namespace

#include "ui/long_work.h"

#include <vector>

namespace {

int gDepth = 0;
HCURSOR gPreviousCursor = nullptr;

struct PutOff {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<PutOff> gPutOff;

BOOL CALLBACK paintWindow(HWND hwnd, LPARAM) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

void paintPending() { EnumThreadWindows(GetCurrentThreadId(), &paintWindow, 0); }

DWORD WINAPI runWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

}  // namespace

LongWork::LongWork() {
  if (gDepth++ == 0) gPreviousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  paintPending();
}

LongWork::~LongWork() {
  if (--gDepth > 0) return;
  SetCursor(gPreviousCursor);
  std::vector<PutOff> later;
  later.swap(gPutOff);
  for (const PutOff& m : later)
    if (IsWindow(m.hwnd)) PostMessageA(m.hwnd, m.msg, m.wParam, m.lParam);
}

bool longWorkInProgress() { return gDepth > 0; }

void keepAnswering() {
  MSG msg;
  // Sent messages are handled inside PeekMessage; the filter leaves input and posted messages
  // in the queue.
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  paintPending();
}

bool runAnswering(const std::function<void()>& work) {
  HANDLE thread =
      CreateThread(nullptr, 0, &runWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
  if (!thread) {
    work();
    return false;
  }
  // Woken by a sent message, and every tenth of a second to paint.
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_SENDMESSAGE) != WAIT_OBJECT_0)
    keepAnswering();
  CloseHandle(thread);
  return true;
}

bool putOffDuringLongWork(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (gDepth == 0) return false;
  // Menu commands and accelerators carry no control handle; a control's notification does and
  // goes through.
  const bool later = msg == WM_CLOSE || msg == WM_SYSCOMMAND || (msg == WM_COMMAND && lParam == 0);
  if (later) gPutOff.push_back({hwnd, msg, wParam, lParam});
  return later;
}

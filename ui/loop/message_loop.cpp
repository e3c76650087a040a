// The message loop: pre-translation of each message, idle processing while the queue is
// empty, and loops nested inside it for modal windows.

#include "ui/loop/message_loop.h"

#include <algorithm>
#include <vector>

#include "ui/components/window/window.h"
#include "ui/loop/key_translation.h"

namespace {

bool gLoopRunning = false;

// Idle processing while the queue is empty: from the third call on, each loaded window is
// asked (event 7) until its handler stops answering true.
class IdlePeriod {
 public:
  bool step() {
    const int count = count_++;
    if (count == 0) start_ = GetTickCount();
    if (count < 2) return true;
    std::vector<UnitId> ids;
    for (LoadedWindow* w : loadedWindows()) ids.push_back(w->id());
    bool more = false;
    for (UnitId id : ids) {
      if (!findLoadedWindow(id) || std::count(done_.begin(), done_.end(), id)) continue;
      EventRecord r = windowEvent(id, kWindowIdle);
      r.argCount = 1;
      r.args[0] = static_cast<int32_t>(GetTickCount() - start_);
      raiseEvent(r);
      if (r.hasReturn && r.returnValue)
        more = true;
      else
        done_.push_back(id);
    }
    return more;
  }

 private:
  int count_ = 0;
  DWORD start_ = 0;
  std::vector<UnitId> done_;
};

void dispatch(MSG& msg) {
  if (preTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

// Pumps messages with idle processing while keepGoing() holds. WM_QUIT ends the loop; a
// nested loop posts it again for the loop outside.
void messageLoop(const std::function<bool()>& keepGoing, bool nested) {
  MSG msg;
  while (keepGoing()) {
    IdlePeriod idle;
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && idle.step()) {
    }
    if (!keepGoing()) return;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    // -1 is a message the system could not hand over (Wine fails so on a text of a megabyte
    // or more sent from another process); only 0 is WM_QUIT.
    if (got == -1) continue;
    if (got == 0) {
      if (nested) PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

}  // namespace

void runMessageLoop() {
  if (loadedWindowCount() == 0) return;
  const bool outer = !gLoopRunning;
  gLoopRunning = true;
  setQuitAfterLastWindow(true);
  messageLoop([] { return true; }, !outer);
  if (!outer) return;
  gLoopRunning = false;
  setQuitAfterLastWindow(false);
}

void processPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

void runModalLoop(const std::function<bool()>& keepGoing) { messageLoop(keepGoing, true); }

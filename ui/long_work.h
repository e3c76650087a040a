#pragma once
#include <windows.h>

#include <functional>

// Work of the user-interface thread that may take seconds: a long text given to a control a
// piece at a time, a file read and decoded on another thread. While a LongWork lives:
// - the mouse pointer is the hourglass, and what was waiting to be painted has been painted
//   (the status that says what is going on, above all);
// - keepAnswering() answers the messages that other programs send the program (a WM_NULL
//   asking whether it still responds, a WM_GETTEXT) and paints what needs it, but takes no
//   input from the queue;
// - the program's windows start nothing new: a close request and menu commands are put off
//   until the outermost LongWork ends, and are then posted again.
// LongWorks nest; only the outermost one sets and restores the pointer.
class LongWork {
 public:
  LongWork();
  ~LongWork();
  LongWork(const LongWork&) = delete;
  LongWork& operator=(const LongWork&) = delete;
};

bool longWorkInProgress();

// Answers messages sent from other threads and processes and paints what is invalid.
void keepAnswering();

// Runs `work` on a thread of its own and answers, as keepAnswering does, until it returns.
// False when no thread could be made: `work` then runs here, without answering.
bool runAnswering(const std::function<void()>& work);

// For a window procedure: true when the message must wait until the long work is done (it
// has then been kept and will be posted again).
bool putOffDuringLongWork(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

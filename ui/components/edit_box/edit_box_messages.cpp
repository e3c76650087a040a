// The edit box's window procedure: the control's own messages, the notifications the window
// reflects back to it, and its frame.

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "runtime/system_code_page.h"
#include "ui/components/edit_box/edit_box.h"
#include "ui/components/edit_box/edit_box_control.h"
#include "ui/components/edit_box/edit_box_input.h"
#include "ui/model/component_model.h"
#include "ui/model/long_work.h"

namespace {

// GetWindowDC/ReleaseDC, for painting the frame.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) {}
  ~WindowDC() { ReleaseDC(hwnd_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// What the control does to its text on these messages must wait while a long text goes in.
bool changesText(UINT msg) {
  switch (msg) {
    case WM_SETTEXT:
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_KEYDOWN:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case EM_SETHANDLE:
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT EditBox::onChar(WPARAM wp, LPARAM lp) {
  if (!acceptsChar(inputMode_, static_cast<uint32_t>(wp))) return 0;
  return callSystem(WM_CHAR, wp, lp);
}

LRESULT EditBox::onKeyDown(WPARAM wp, LPARAM lp) {
  bool wordMove = (wp == VK_LEFT || wp == VK_RIGHT) && GetKeyState(VK_CONTROL) < 0;
  WordBreakScope scope(wordMove ? WordBreakUse::kCaretMove : WordBreakScope::current());
  return callSystem(WM_KEYDOWN, wp, lp);
}

LRESULT EditBox::onCommand(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(lp) != hwnd_) return callSystem(WM_COMMAND, wp, lp);
  switch (HIWORD(wp)) {
    case EN_CHANGE:
      onChanged();
      break;
    case EN_SETFOCUS:
      raise(kEventGotFocus, 0, 0);
      break;
    case EN_KILLFOCUS:
      onFocusLost();
      break;
  }
  return 0;
}

void EditBox::onChanged() {
  if (!programmaticChange_) raise(kEditChanged, 0, 0);
}

// Only the modes that rewrite the text read it: in a document of megabytes the read alone
// takes a good part of a second, on every change of window.
void EditBox::onFocusLost() {
  if (normalizesOnFocusLoss(inputMode_)) {
    Text text = windowText(hwnd_);
    auto normalized = normalizeOnFocusLoss(inputMode_, text.view());
    if (normalized && *normalized != text.view()) {
      DWORD start = selectionRange().first;
      HWND self = hwnd_;
      setContent(normalized->c_str());
      if (!IsWindow(self)) return;
      SendMessageA(hwnd_, EM_SETSEL, start, start);
    }
  }
  raise(kEventLostFocus, 0, 0);
}

LRESULT EditBox::onNotify(WPARAM wp, LPARAM lp) {
  auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (spin_ && header->hwndFrom == spin_ && header->code == UDN_DELTAPOS)
    return onSpin(reinterpret_cast<const NMUPDOWN*>(lp)->iDelta);
  return callSystem(WM_NOTIFY, wp, lp);
}

LRESULT EditBox::onCtlColor(HDC dc) {
  SetTextColor(dc, textColor_);
  SetBkColor(dc, resolveColour(backColor_));
  return reinterpret_cast<LRESULT>(brush_.get());
}

LRESULT EditBox::onNcCalcSize(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_NCCALCSIZE, wp, lp);
  RECT& client =
      wp ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : *reinterpret_cast<RECT*>(lp);
  int height = client.bottom - client.top;
  if (lineHeight_ > 0 && height > lineHeight_) {
    client.top += (height - lineHeight_) / 2;
    client.bottom = client.top + lineHeight_;
  }
  return result;
}

LRESULT EditBox::onNcHitTest(WPARAM wp, LPARAM lp) {
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  RECT client;
  GetClientRect(hwnd_, &client);
  MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (!PtInRect(&client, pt)) return HTBORDER;
  return callSystem(WM_NCHITTEST, wp, lp);
}

LRESULT EditBox::onNcPaint(WPARAM wp, LPARAM lp) {
  {
    RECT window, client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);
    WindowDC dc(hwnd_);
    ExcludeClipRect(dc.dc(), client.left, client.top, client.right, client.bottom);
    FillRect(dc.dc(), &window, brush_.get());
  }
  return callSystem(WM_NCPAINT, wp, lp);
}

LRESULT EditBox::onEraseBackground(HDC dc) {
  RECT box;
  GetClipBox(dc, &box);
  FillRect(dc, &box, brush_.get());
  return 1;
}

// WM_MOVE and WM_SIZE come out of this message's default processing; the spin button
// follows here once, z-order included.
LRESULT EditBox::onWindowPosChanged(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_WINDOWPOSCHANGED, wp, lp);
  if (spin_) placeSpin();
  return result;
}

LRESULT EditBox::onShowWindow(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_SHOWWINDOW, wp, lp);
  if (spin_) ShowWindow(spin_, wp ? SW_SHOWNA : SW_HIDE);
  return result;
}

LRESULT EditBox::onEnable(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_ENABLE, wp, lp);
  if (spin_) EnableWindow(spin_, static_cast<BOOL>(wp));
  return result;
}

LRESULT EditBox::onNcDestroy(WPARAM wp, LPARAM lp) {
  LRESULT result = callSystem(WM_NCDESTROY, wp, lp);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  teardown();
  return result;
}

LRESULT CALLBACK EditBox::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* box = reinterpret_cast<EditBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!box) return CallWindowProcA(systemProc_, hwnd, msg, wp, lp);
  if (box->loading_ && changesText(msg)) return 0;
  switch (msg) {
    case WM_CHAR:
      return box->onChar(wp, lp);
    case WM_KEYDOWN:
      return box->onKeyDown(wp, lp);
    case WM_LBUTTONDBLCLK: {
      WordBreakScope scope(WordBreakUse::kSelectWord);
      return box->callSystem(msg, wp, lp);
    }
    case WM_COMMAND:
      return box->onCommand(wp, lp);
    case WM_NOTIFY:
      return box->onNotify(wp, lp);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return box->onCtlColor(reinterpret_cast<HDC>(wp));
    case WM_NCCALCSIZE:
      return box->singleLine() ? box->onNcCalcSize(wp, lp) : box->callSystem(msg, wp, lp);
    case WM_NCHITTEST:
      return box->singleLine() ? box->onNcHitTest(wp, lp) : box->callSystem(msg, wp, lp);
    case WM_NCPAINT:
      return box->singleLine() ? box->onNcPaint(wp, lp) : box->callSystem(msg, wp, lp);
    case WM_ERASEBKGND:
      return box->singleLine() ? box->onEraseBackground(reinterpret_cast<HDC>(wp))
                               : box->callSystem(msg, wp, lp);
    case WM_WINDOWPOSCHANGED:
      return box->onWindowPosChanged(wp, lp);
    case WM_SHOWWINDOW:
      return box->onShowWindow(wp, lp);
    case WM_ENABLE:
      return box->onEnable(wp, lp);
    case WM_NCDESTROY:
      return box->onNcDestroy(wp, lp);
    default:
      return box->callSystem(msg, wp, lp);
  }
}

// The window component's messages: each window message becomes the window's event or the
// component's own handling, notifications go back to the control that sent them.

#include <windowsx.h>

#include "ui/components/window/menu_bar.h"
#include "ui/components/window/window.h"
#include "runtime/system_code_page.h"
#include "ui/graphics/gdi.h"
#include "ui/graphics/picture.h"
#include "ui/model/long_work.h"
#include "ui/model/window_lookup.h"

namespace {

// A child that sends a reflected notification straight back must not recurse forever.
constexpr int kMaxReflectionDepth = 16;
int gReflectionDepth = 0;

// Common controls cache system colours; only their top-level window is told of a change.
void forwardToChildren(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, msg, wParam, lParam);
}

LRESULT reflect(HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (gReflectionDepth >= kMaxReflectionDepth) return 0;
  ++gReflectionDepth;
  const LRESULT result = SendMessageA(target, msg, wParam, lParam);
  --gReflectionDepth;
  return result;
}

HWND modalWindowOver(HWND disabled) {
  for (LoadedWindow* w : loadedWindows()) {
    WindowComponent* c = windowComponent(*w);
    if (c && c->disabledForModal(disabled) && IsWindow(c->hwnd())) return c->hwnd();
  }
  return nullptr;
}

}  // namespace

// --- messages -------------------------------------------------------------------------------

LRESULT CALLBACK WindowComponent::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<WindowComponent*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    if (msg != WM_NCCREATE || !cs->lpCreateParams) return DefWindowProcA(hwnd, msg, wParam, lParam);
    self = static_cast<std::unique_ptr<WindowComponent>*>(cs->lpCreateParams)->release();
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (putOffDuringLongWork(hwnd, msg, wParam, lParam)) return 0;
  switch (msg) {
    case WM_PAINT:
      return self->onPaint();
    case WM_CLOSE:
      return self->onClose();
    case WM_QUERYENDSESSION:
      return self->onQueryEndSession(wParam, lParam);
    case WM_ENDSESSION:
      return self->onEndSession(wParam, lParam);
    case WM_DESTROY:
      return self->onDestroy();
    case WM_NCDESTROY:
      return self->onNcDestroy(wParam, lParam);
    case WM_MOVE:
      return self->onMove(wParam, lParam);
    case WM_SIZE:
      return self->onSize(wParam, lParam);
    case WM_ACTIVATE:
      return self->onActivate(wParam, lParam);
    case WM_NCACTIVATE:
      return self->onNcActivate(wParam, lParam);
    case WM_SETFOCUS:
      return self->onSetFocus(wParam, lParam);
    case WM_KILLFOCUS:
      return self->onKillFocus(wParam, lParam);
    case WM_SHOWWINDOW:
      return self->onShowWindow(wParam, lParam);
    case WM_SETCURSOR:
      return self->onSetCursor(wParam, lParam);
    case WM_SYSCOLORCHANGE:
      return self->onSysColorChange(wParam, lParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return self->onControlColour(msg, wParam, lParam);
    case WM_COMMAND:
      return self->onCommand(wParam, lParam);
    case WM_NOTIFY:
      return self->onNotify(wParam, lParam);
    case UM_LAYOUT:
      return self->onLayout();
    case UM_MENU_CHANGED:
      self->rebuildMenuBar();
      return 0;
    case UM_SHOW_FIRST:
      if (LoadedWindow* w = findLoadedWindow(self->windowId_)) showWindowAsFirstShown(*w);
      return 0;
    default:
      return self->callDefault(msg, wParam, lParam);
  }
}

LRESULT WindowComponent::onPaint() {
  PaintDC paint(hwnd_);
  RECT clip;
  if (GetClipBox(paint.dc(), &clip) <= NULLREGION || IsRectEmpty(&clip)) return 0;
  OwnedRegion remaining(CreateRectRgnIndirect(&clip));
  RECT client;
  GetClientRect(hwnd_, &client);
  if (BackgroundPicture* p = picture(client))
    p->paint(paint.dc(), setting(WindowBlob::PictureMode), client, clip, remaining.get());
  OwnedBrush brush(CreateSolidBrush(resolveColour(setting(WindowBlob::BackColor))));
  FillRgn(paint.dc(), remaining.get(), brush.get());
  return 0;
}

// Handlers below may destroy the window (and this object) from inside an event, so after
// raising one they only use locals.
LRESULT WindowComponent::onClose() {
  const HWND hwnd = hwnd_;
  const UnitId id = windowId_;
  if (raiseWindowEvent(id, kWindowCloseRequested) || !IsWindow(hwnd)) return 0;
  if (raiseWindowEvent(id, kWindowMayClose) || !IsWindow(hwnd)) return 0;
  reenableModalDisabled();
  return DefWindowProcA(hwnd, WM_CLOSE, 0, 0);
}

LRESULT WindowComponent::onQueryEndSession(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_QUERYENDSESSION, wParam, lParam);
  return raiseWindowEvent(windowId_, kWindowMayClose) ? FALSE : result;
}

LRESULT WindowComponent::onEndSession(WPARAM wParam, LPARAM lParam) {
  if (wParam) raiseWindowEvent(windowId_, kWindowSessionEnding);
  return 0;
}

LRESULT WindowComponent::onDestroy() {
  const LRESULT result = callDefault(WM_DESTROY, 0, 0);
  raiseWindowEvent(windowId_, kWindowDestroying);
  if (!helpFile_.empty()) WinHelpA(hwnd_, SystemText(helpFile_).c_str(), HELP_QUIT, 0);
  if (HMENU menu = GetMenu(hwnd_)) {
    SetMenu(hwnd_, nullptr);
    DestroyMenu(menu);
  }
  reenableModalDisabled();
  return result;
}

LRESULT WindowComponent::onNcDestroy(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_NCDESTROY, wParam, lParam);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  LoadedWindow* w = findLoadedWindow(windowId_);
  // A window whose creation failed is not in its registry entry yet; the loader removes it.
  const bool inRegistry = w && !w->units.empty() && w->units[0].object == this;
  reportUnitDestroyed(windowId_, unitId_, this);
  if (inRegistry) removeLoadedWindow(windowId_);
  delete this;
  return result;
}

LRESULT WindowComponent::onMove(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_MOVE, wParam, lParam);
  raiseWindowEvent(windowId_, kWindowMoved);
  return result;
}

LRESULT WindowComponent::onSize(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_SIZE, wParam, lParam);
  if (setting(WindowBlob::Shape) != 0) applyShape();
  if (layoutEnabled_)
    if (LoadedWindow* w = findLoadedWindow(windowId_)) layoutDockedBars(*w);
  GeometryBatch batch;
  raiseWindowEvent(windowId_, kWindowResized);
  return result;
}

LRESULT WindowComponent::onActivate(WPARAM wParam, LPARAM lParam) {
  const bool active = LOWORD(wParam) != WA_INACTIVE;
  if (active && !IsWindowEnabled(hwnd_))
    if (HWND modal = modalWindowOver(hwnd_)) {
      SetActiveWindow(modal);
      return 0;
    }
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focusedChild_ = focus;
  }
  UpdateWindow(hwnd_);
  const HWND hwnd = hwnd_;
  const UnitId id = windowId_;
  if (active && !activatedOnce_) {
    activatedOnce_ = true;
    raiseWindowEvent(id, kWindowFirstActivated);
    if (!IsWindow(hwnd)) return 0;
  }
  raiseWindowEvent(id, active ? kWindowActivated : kWindowDeactivated);
  if (!IsWindow(hwnd)) return 0;
  return DefWindowProcA(hwnd, WM_ACTIVATE, wParam, lParam);
}

LRESULT WindowComponent::onNcActivate(WPARAM wParam, LPARAM lParam) {
  if (!wParam && setting(WindowBlob::KeepTitleActive) && IsWindowEnabled(hwnd_))
    return callDefault(WM_NCACTIVATE, TRUE, lParam);
  return callDefault(WM_NCACTIVATE, wParam, lParam);
}

LRESULT WindowComponent::onSetFocus(WPARAM, LPARAM) {
  const HWND hwnd = hwnd_;
  raiseWindowEvent(windowId_, kEventGotFocus);
  if (IsWindow(hwnd)) restoreFocus();
  return 0;
}

LRESULT WindowComponent::onKillFocus(WPARAM, LPARAM) {
  raiseWindowEvent(windowId_, kEventLostFocus);
  return 0;
}

LRESULT WindowComponent::onShowWindow(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = callDefault(WM_SHOWWINDOW, wParam, lParam);
  raiseWindowEvent(windowId_, wParam ? kWindowShown : kWindowHidden);
  return result;
}

LRESULT WindowComponent::onSetCursor(WPARAM wParam, LPARAM lParam) {
  const auto over = reinterpret_cast<HWND>(wParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  LoadedUnit* u = w ? unitOfWindow(*w, over) : nullptr;
  if (u && u->cursor && (over != hwnd_ || LOWORD(lParam) == HTCLIENT)) {
    SetCursor(u->cursor);
    return TRUE;
  }
  return callDefault(WM_SETCURSOR, wParam, lParam);
}

LRESULT WindowComponent::onSysColorChange(WPARAM wParam, LPARAM lParam) {
  forwardToChildren(hwnd_, WM_SYSCOLORCHANGE, wParam, lParam);
  if (static_cast<uint32_t>(setting(WindowBlob::BackColor)) == kSystemDefaultColour) {
    // A PNG was blended over the old button-face colour.
    dropBlendedPicture();
    invalidateBackground();
  }
  return callDefault(WM_SYSCOLORCHANGE, wParam, lParam);
}

// The controls paint themselves in their own colours: they answer the colour messages that
// the system sends to their parent.
LRESULT WindowComponent::onControlColour(UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto control = reinterpret_cast<HWND>(lParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  if (control && control != hwnd_ && w && unitOfWindow(*w, control))
    if (LRESULT brush = reflect(control, msg, wParam, lParam)) return brush;
  return callDefault(msg, wParam, lParam);
}

// The unit that a notification from `from` (control id `id`) belongs to: the unit whose window
// sent it, else the unit whose id block (100, 110, ...) holds the id of a helper window it made.
static HWND notificationTarget(LoadedWindow& w, HWND self, HWND from, UINT id) {
  if (from && from != self && unitOfWindow(w, from)) return from;
  if (id < kFirstControlId) return nullptr;
  const int base = static_cast<int>(id) - (static_cast<int>(id) - kFirstControlId) % kControlIdStep;
  for (const LoadedUnit& u : w.units) {
    HWND h = hwndOf(u);
    if (h && h != self && GetDlgCtrlID(h) == base) return h;
  }
  return nullptr;
}

LRESULT WindowComponent::onCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  const auto control = reinterpret_cast<HWND>(lParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  if (w && !control && handleMenuCommand(*w, id)) return 0;
  if (w && control && id < kFirstMenuCommand)
    if (HWND target = notificationTarget(*w, hwnd_, control, id))
      return reflect(target, WM_COMMAND, wParam, lParam);
  return callDefault(WM_COMMAND, wParam, lParam);
}

LRESULT WindowComponent::onNotify(WPARAM wParam, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  LoadedWindow* w = findLoadedWindow(windowId_);
  if (w && header)
    if (HWND target =
            notificationTarget(*w, hwnd_, header->hwndFrom, static_cast<UINT>(header->idFrom)))
      return reflect(target, WM_NOTIFY, wParam, lParam);
  return callDefault(WM_NOTIFY, wParam, lParam);
}

LRESULT WindowComponent::onLayout() {
  layoutEnabled_ = true;
  if (LoadedWindow* w = findLoadedWindow(windowId_)) layoutDockedBars(*w);
  return 0;
}

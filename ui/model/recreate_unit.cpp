#include "ui/model/component_model.h"

namespace {

bool ownsFocus(HWND h) {
  HWND focus = GetFocus();
  return focus && (focus == h || IsChild(h, focus));
}

CreateParams paramsFrom(const LoadedWindow& w, const LoadedUnit& u, HWND old,
                        const std::vector<uint8_t>& saved) {
  CreateParams p;
  p.properties = saved.data();
  p.propertiesSize = saved.size();
  p.parent = GetParent(old);
  p.controlId = GetDlgCtrlID(old);
  RECT r;
  GetWindowRect(old, &r);
  MapWindowPoints(nullptr, p.parent, reinterpret_cast<POINT*>(&r), 2);
  p.x = r.left;
  p.y = r.top;
  p.width = r.right - r.left;
  p.height = r.bottom - r.top;
  if (!IsWindowEnabled(old)) p.style |= WS_DISABLED;
  if (u.record->flags & kUnitTabStop) p.style |= WS_TABSTOP;
  p.window = w.id();
  p.unit = u.id;
  return p;
}

void moveChildren(HWND from, HWND to) {
  for (HWND c = GetWindow(from, GW_CHILD); c;) {
    HWND next = GetWindow(c, GW_HWNDNEXT);
    SetParent(c, to);
    c = next;
  }
}

}  // namespace

void recreateUnit(LoadedWindow& w, int unitIndex) {
  LoadedUnit& u = w.units[unitIndex];
  if (!u.type || (u.type->state & kStateNeverRecreate) || !u.object) return;
  auto save = u.type->operation<kOpSaveProperties>();
  auto create = u.type->operation<kOpCreate>();
  if (!save || !create) return;

  holdEvents();
  Component* old = u.object;
  HWND oldHwnd = old->hwnd();
  bool hadFocus = ownsFocus(oldHwnd);
  HWND previousFocus = GetFocus();
  bool wasVisible = IsWindowVisible(oldHwnd);
  u.record->properties = save(old);

  Component* fresh = create(paramsFrom(w, u, oldHwnd, u.record->properties));
  if (fresh) {
    if (u.type->state & kStateContainer) moveChildren(oldHwnd, fresh->hwnd());
    u.object = fresh;
    // Directly below the old window, which leaves the new one at its place once the old goes.
    SetWindowPos(fresh->hwnd(), oldHwnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(fresh->hwnd(), UM_CREATED, 0, 0);
    if (u.type->state & kStateDockingBar) SendMessageA(w.hwnd(), UM_LAYOUT, 0, 0);
    if (wasVisible && !(u.type->state & kStateNeverShown)) ShowWindow(fresh->hwnd(), SW_SHOWNA);
    DestroyWindow(oldHwnd);
    if (hadFocus)
      SetFocus(fresh->hwnd());
    else if (previousFocus && IsWindow(previousFocus))
      SetFocus(previousFocus);
  }
  releaseEvents();
}

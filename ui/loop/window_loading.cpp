// Loading a window description: its menu bar, the top-level window and the controls, in form
// order, then the first events and the first show. A modal window runs its own message loop.

#include "ui/loop/window_loading.h"

#include <algorithm>
#include <vector>

#include "ui/components/window/menu_bar.h"
#include "ui/components/window/window.h"
#include "ui/loop/message_loop.h"
#include "ui/model/window_lookup.h"

namespace {

class HeldEvents {
 public:
  HeldEvents() { holdEvents(); }
  ~HeldEvents() { releaseEvents(); }
  HeldEvents(const HeldEvents&) = delete;
  HeldEvents& operator=(const HeldEvents&) = delete;
};

CreateParams paramsFor(const LoadedWindow& w, const LoadedUnit& u, HWND parent, int controlId) {
  const UnitRecord& r = *u.record;
  CreateParams p;
  p.properties = r.properties.data();
  p.propertiesSize = r.properties.size();
  if (r.flags & kUnitDisabled) p.style |= WS_DISABLED;
  if (r.flags & kUnitTabStop) p.style |= WS_TABSTOP;
  p.parent = parent;
  p.controlId = controlId;
  p.x = r.left;
  p.y = r.top;
  p.width = r.width;
  p.height = r.height;
  p.window = w.id();
  p.unit = u.id;
  return p;
}

Component* createWindowUnit(LoadedWindow& w, HMENU menu, bool modal, HWND owner) {
  LoadedUnit& u = w.units[0];
  auto create = u.type && u.record->type == kWindowType ? u.type->operation<kOpCreate>() : nullptr;
  if (!create) return nullptr;
  CreateParams p = paramsFor(w, u, nullptr, 0);
  p.style &= WS_DISABLED;  // WS_TABSTOP would be the maximise box of a top-level window
  p.menu = menu;
  p.owner = owner;
  p.modal = modal;
  u.object = create(p);
  return u.object;
}

// Last to first, so that ids run 100, 110, ... in that order.
bool createControls(LoadedWindow& w, HWND window) {
  int id = kFirstControlId;
  for (size_t i = w.units.size(); i-- > 1;) {
    LoadedUnit& u = w.units[i];
    if (u.record->isMenuItem()) continue;
    auto create = u.type ? u.type->operation<kOpCreate>() : nullptr;
    if (!create) return false;
    u.object = create(paramsFor(w, u, window, id));
    if (!u.object) return false;
    id += kControlIdStep;
  }
  return true;
}

// Moves each control into the unit named by its parent field. Returns, per unit, whether it
// lies on a later page of a container and must stay hidden.
std::vector<bool> reparentControls(LoadedWindow& w, HWND window) {
  std::vector<bool> onLaterPage(w.units.size());
  for (size_t i = 1; i < w.units.size(); ++i) {
    const LoadedUnit& u = w.units[i];
    HWND h = hwndOf(u);
    if (!h) continue;
    HWND parent = window;
    if (u.record->parent)
      if (LoadedUnit* p = w.find(u.record->parent); p && hwndOf(*p)) parent = hwndOf(*p);
    if (GetParent(h) != parent) SetParent(h, parent);
    if (!u.type || !(u.type->state & kStateContainer)) continue;
    const auto& children = u.record->children;
    auto page = std::find(children.begin(), children.end(), UnitId{0});
    for (auto it = page == children.end() ? page : page + 1; it != children.end(); ++it)
      if (int index = w.indexOf(*it); index > 0) onLaterPage[index] = true;
  }
  return onLaterPage;
}

// Each control goes directly below the nearest earlier unit with the same parent.
void stackInFormOrder(LoadedWindow& w) {
  for (size_t i = 1; i < w.units.size(); ++i) {
    HWND h = hwndOf(w.units[i]);
    if (!h) continue;
    HWND after = HWND_TOP;
    for (size_t j = i - 1; j >= 1; --j) {
      HWND earlier = hwndOf(w.units[j]);
      if (earlier && GetParent(earlier) == GetParent(h)) {
        after = earlier;
        break;
      }
    }
    SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void showControls(LoadedWindow& w, const std::vector<bool>& onLaterPage) {
  for (size_t i = 1; i < w.units.size(); ++i) {
    const LoadedUnit& u = w.units[i];
    HWND h = hwndOf(u);
    if (!h || !(u.record->flags & kUnitVisible) || onLaterPage[i]) continue;
    if (u.type && (u.type->state & kStateNeverShown)) continue;
    ShowWindow(h, SW_SHOWNA);
  }
}

void sendToUnits(LoadedWindow& w, UINT msg) {
  for (size_t i = w.units.size(); i-- > 0;)
    if (HWND h = hwndOf(w.units[i])) SendMessageA(h, msg, 0, 0);
}

// Loading steps up to releasing events. Returns the new window, or null after undoing
// everything.
HWND buildWindow(WindowDescription& d, bool modal, HWND owner) {
  HeldEvents held;
  std::optional<MenuBar> bar = buildMenuBar(d);
  if (!bar) return nullptr;
  LoadedWindow& w = addLoadedWindow(d);
  Component* window = createWindowUnit(w, bar->menu.get(), modal, owner);
  if (!window) {
    removeLoadedWindow(d.id);
    return nullptr;
  }
  bar->menu.release();  // the window's now
  const HWND hwnd = window->hwnd();
  if (!createControls(w, hwnd)) {
    DestroyWindow(hwnd);  // its teardown destroys the controls and the registry entry
    return nullptr;
  }
  for (LoadedUnit& u : w.units)
    if (!u.record->isMenuItem()) u.cursor = makeCursor(u.record->pointerData);
  const std::vector<bool> onLaterPage = reparentControls(w, hwnd);
  stackInFormOrder(w);
  sendToUnits(w, UM_CREATED);
  SendMessageA(hwnd, UM_LAYOUT, 0, 0);
  showControls(w, onLaterPage);
  windowComponent(w)->setAccelerators(std::move(bar->accelerators));
  return hwnd;
}

bool windowAlive(UnitId id, HWND hwnd) {
  LoadedWindow* w = findLoadedWindow(id);
  return w && w->hwnd() == hwnd && IsWindow(hwnd);
}

void raiseFocusEvent(UnitId id) {
  LoadedWindow* w = findLoadedWindow(id);
  LoadedUnit* u = w ? unitOwningWindow(*w, GetFocus()) : nullptr;
  if (!u) return;
  EventRecord r = windowEvent(id, kEventGotFocus);
  r.unit = u == &w->units[0] ? 0 : u->id;
  raiseEvent(r);
}

void bringForward(HWND hwnd) {
  if (!hwnd) return;
  if (IsIconic(hwnd))
    ShowWindow(hwnd, SW_RESTORE);
  else
    SetActiveWindow(hwnd);
}

}  // namespace

bool loadWindow(UnitId id, bool modal, HWND owner) {
  if (LoadedWindow* loaded = findLoadedWindow(id)) {
    bringForward(loaded->hwnd());
    return true;
  }
  WindowDescription* d = form() ? form()->find(id) : nullptr;
  if (!d || d->units.empty()) return false;
  const HWND hwnd = buildWindow(*d, modal, owner);
  if (!hwnd) return false;

  for (int32_t event : {kWindowCreated, kWindowMoved, kWindowResized}) {
    if (!windowAlive(id, hwnd)) return true;
    raiseWindowEvent(id, event);
  }
  if (!windowAlive(id, hwnd)) return true;
  LoadedWindow* w = findLoadedWindow(id);
  if (w->units[0].record->flags & kUnitVisible) {
    showWindowAsFirstShown(*w);
    raiseFocusEvent(id);
    if (!windowAlive(id, hwnd)) return true;
  }
  const HWND focus = GetFocus();
  if (modal) windowComponent(*findLoadedWindow(id))->disableOthersForModal();
  sendToUnits(*findLoadedWindow(id), UM_SHOWN);
  if (focus && IsWindow(focus) && GetFocus() != focus) SetFocus(focus);
  if (modal) runModalLoop([&] { return windowAlive(id, hwnd); });
  return true;
}

void loadStartupWindow(UnitId window) {
  if (!loadWindow(window, false, nullptr)) fatalError(FatalText::kStartupWindow, 0, window, 0);
}


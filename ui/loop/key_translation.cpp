// Pre-translation of queued messages before they are dispatched: accelerators, the keys a
// window handles itself (Tab, Enter, Esc, F1, mnemonics), dragging by the client area, and the
// general events of the control under the mouse or with the focus.

#include "ui/loop/key_translation.h"

#include <algorithm>
#include <string>

#include "runtime/system_code_page.h"
#include "ui/components/window/window.h"
#include "ui/model/general_events.h"
#include "ui/model/window_lookup.h"

namespace {

struct KeyState {
  bool ctrl, shift, alt;
};

KeyState keyState() {
  return {GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0};
}

const ComponentType* typeOf(const LoadedUnit& u) {
  return u.type ? u.type : componentType(u.record->type);
}

LoadedUnit* focusedUnit(LoadedWindow& w) { return unitOwningWindow(w, GetFocus()); }

bool wantsKey(LoadedUnit* u, UINT key, KeyState k) {
  const ComponentType* type = u && u->object ? typeOf(*u) : nullptr;
  auto wants = type ? type->operation<kOpWantsKey>() : nullptr;
  if (!wants) return false;
  const uint32_t code =
      (key & 0xFF) | (k.ctrl ? kWantCtrl : 0) | (k.shift ? kWantShift : 0) | (k.alt ? kWantAlt : 0);
  return wants(u->object, code);
}

bool performDefaultAction(LoadedUnit& u) {
  const ComponentType* type = u.object ? typeOf(u) : nullptr;
  auto action = type ? type->operation<kOpDefaultAction>() : nullptr;
  return action && action(u.object);
}

void cancelModes(LoadedWindow& w, HWND target) {
  HWND focus = GetFocus();
  if (focus && focus != target && focus != w.hwnd() && IsChild(w.hwnd(), focus))
    SendMessageA(focus, WM_CANCELMODE, 0, 0);
}

bool filterMessage(UnitId id, MSG& msg) {
  for (size_t i = 0;; ++i) {
    LoadedWindow* w = findLoadedWindow(id);
    if (!w || i >= w->units.size()) return false;
    LoadedUnit& u = w->units[i];
    const ComponentType* type = u.object ? typeOf(u) : nullptr;
    if (!type || !(type->state & kStateMessageFilter)) continue;
    auto filter = type->operation<kOpFilterMessage>();
    if (filter && filter(u.object, &msg)) return true;
  }
}

bool moveFocus(LoadedWindow& w, int step) {
  const std::vector<HWND> stops = tabStops(w);
  if (stops.empty()) return false;
  LoadedUnit* current = focusedUnit(w);
  const auto it = std::find(stops.begin(), stops.end(), current ? hwndOf(*current) : nullptr);
  const auto n = static_cast<std::ptrdiff_t>(stops.size());
  std::ptrdiff_t next;
  if (it == stops.end())
    next = step > 0 ? 0 : n - 1;
  else
    next = ((it - stops.begin()) + step + n) % n;
  SetFocus(stops[next]);
  return true;
}

bool enterKey(UnitId id) {
  LoadedWindow* w = findLoadedWindow(id);
  if (LoadedUnit* focused = focusedUnit(*w); focused && performDefaultAction(*focused)) return true;
  if (!(w = findLoadedWindow(id))) return true;
  if (windowComponent(*w)->setting(WindowBlob::EnterMovesFocus)) return moveFocus(*w, 1);
  for (size_t i = 1; i < w->units.size(); ++i) {
    LoadedUnit& u = w->units[i];
    const ComponentType* type = u.object ? typeOf(u) : nullptr;
    if (!type || !(type->state & kStateDefaultButton) || !isUsable(hwndOf(u))) continue;
    performDefaultAction(u);
    return true;
  }
  return false;
}

std::string helpFileOf(const WindowComponent& window) {
  std::string file = window.settings().text(WindowBlob::HelpFile);
  if (!file.empty()) return file;
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return {};
  file = path;
  const size_t dot = file.find_last_of('.'), slash = file.find_last_of('\\');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) file.erase(dot);
  return file + ".hlp";
}

bool openHelp(LoadedWindow& w) {
  WindowComponent* window = windowComponent(w);
  if (!window->setting(WindowBlob::F1OpensHelp)) return false;
  const std::string file = helpFileOf(*window);
  if (!file.empty() && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
    const int32_t context = window->setting(WindowBlob::HelpContext);
    WinHelpA(w.hwnd(), SystemText(file).c_str(), context ? HELP_CONTEXT : HELP_FINDER,
             static_cast<ULONG_PTR>(static_cast<uint32_t>(context)));
    window->noteHelpOpened(file);
  }
  return true;
}

// `key` ('A'-'Z' or '0'-'9') marked with '&' in the text; "&&" is a literal ampersand.
bool holdsMnemonic(const std::string& text, UINT key) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i + 1]);
    return static_cast<UINT>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) == key;
  }
  return false;
}

// Edit controls hold content, not a caption, so their text is never a mnemonic.
bool hasCaption(HWND h) {
  char name[16];
  return GetClassNameA(h, name, sizeof name) && lstrcmpiA(name, "Edit") != 0;
}

bool activateMnemonic(LoadedWindow& w, UINT key) {
  for (size_t i = 1; i < w.units.size(); ++i) {
    LoadedUnit& u = w.units[i];
    HWND h = hwndOf(u);
    if (!isUsable(h) || !hasCaption(h)) continue;
    char text[256];
    GetWindowTextA(h, text, sizeof text);
    if (!holdsMnemonic(text, key)) continue;
    SetFocus(h);
    performDefaultAction(u);
    return true;
  }
  return false;
}

// Tab, Enter, Esc, F1 and Alt mnemonics; true when the key was used.
bool navigate(UnitId id, const MSG& msg) {
  LoadedWindow* w = findLoadedWindow(id);
  const UINT key = static_cast<UINT>(msg.wParam) & 0xFF;
  const KeyState k = keyState();
  if (wantsKey(focusedUnit(*w), key, k)) return false;
  switch (key) {
    case VK_TAB:
      return !k.ctrl && !k.alt && moveFocus(*w, k.shift ? -1 : 1);
    case VK_RETURN:
      return !k.ctrl && !k.alt && enterKey(id);
    case VK_ESCAPE:
      if (k.ctrl || k.alt || !windowComponent(*w)->setting(WindowBlob::EscCloses)) return false;
      SendMessageA(w->hwnd(), WM_CLOSE, 0, 0);
      return true;
    case VK_F1:
      return !k.ctrl && !k.shift && !k.alt && openHelp(*w);
    default:
      break;
  }
  const bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
  return k.alt && !k.ctrl && !k.shift && letterOrDigit && activateMnemonic(*w, key);
}

void setMouseArgs(EventRecord& r, int32_t event, const MSG& msg, KeyState k) {
  r.event = event;
  r.argCount = 3;
  r.args[0] = LOWORD(msg.lParam);
  r.args[1] = HIWORD(msg.lParam);
  r.args[2] = keyModifiers(k.ctrl, k.shift, k.alt, 0);
}

void setKeyArgs(EventRecord& r, int32_t event, const MSG& msg, KeyState k) {
  const auto key = static_cast<uint32_t>(msg.wParam);
  r.event = event;
  r.argCount = 2;
  r.args[0] = foldKeyCode(key);
  r.args[1] = keyModifiers(k.ctrl, k.shift, k.alt, key);
}

// -11: a handler's 0 discards the character, another value replaces it.
bool raiseCharEvent(EventRecord& r, MSG& msg) {
  r.event = kEventChar;
  r.argCount = 1;
  r.args[0] = static_cast<int32_t>(msg.wParam);
  raiseEvent(r);
  if (!r.hasReturn) return false;
  if (r.returnValue == 0) return true;
  msg.wParam = static_cast<WPARAM>(static_cast<uint32_t>(r.returnValue));
  return false;
}

bool raiseGeneralEvent(LoadedWindow& w, MSG& msg) {
  LoadedUnit* u = unitOwningWindow(w, msg.hwnd);
  if (!u) return false;
  EventRecord r;
  r.window = w.id();
  r.unit = u == &w.units[0] ? 0 : u->id;
  const KeyState k = keyState();
  switch (msg.message) {
    case WM_LBUTTONDOWN:
      setMouseArgs(r, kEventLButtonDown, msg, k);
      break;
    case WM_LBUTTONUP:
      setMouseArgs(r, kEventLButtonUp, msg, k);
      break;
    case WM_LBUTTONDBLCLK:
      setMouseArgs(r, kEventLButtonDblClk, msg, k);
      break;
    case WM_RBUTTONDOWN:
      setMouseArgs(r, kEventRButtonDown, msg, k);
      break;
    case WM_RBUTTONUP:
      setMouseArgs(r, kEventRButtonUp, msg, k);
      break;
    case WM_MOUSEMOVE:
      setMouseArgs(r, kEventMouseMove, msg, k);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      setKeyArgs(r, kEventKeyDown, msg, k);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      setKeyArgs(r, kEventKeyUp, msg, k);
      break;
    case WM_CHAR:
      return raiseCharEvent(r, msg);
    case WM_MOUSEWHEEL:
      r.event = kEventWheel;
      r.argCount = 2;
      r.args[0] = wheelNotches(static_cast<uint32_t>(msg.wParam));
      r.args[1] = keyModifiers(k.ctrl, k.shift, k.alt, 0);
      break;
    default:
      return false;
  }
  raiseEvent(r);
  return refused(r);
}

}  // namespace

bool preTranslate(MSG& msg) {
  LoadedWindow* w = loadedWindowContaining(msg.hwnd);
  if (!w || !windowComponent(*w)) return false;
  const UnitId id = w->id();
  const bool keyboard = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
  if (keyboard && !IsWindowEnabled(msg.hwnd)) return false;
  if (msg.message == WM_LBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN) cancelModes(*w, msg.hwnd);

  const HACCEL accelerators = windowComponent(*w)->accelerators();
  if (keyboard && accelerators && TranslateAcceleratorA(w->hwnd(), accelerators, &msg)) return true;
  // Messages for another loaded window are that window's: `w` is the one this message is for.
  if (filterMessage(id, msg)) return true;
  if (!(w = findLoadedWindow(id))) return true;

  if (msg.message == WM_LBUTTONDOWN && msg.hwnd == w->hwnd() &&
      windowComponent(*w)->setting(WindowBlob::DragToMove)) {
    PostMessageA(w->hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(msg.pt.x, msg.pt.y));
    return false;
  }
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && navigate(id, msg)) return true;
  if (!(w = findLoadedWindow(id))) return true;
  return raiseGeneralEvent(*w, msg);
}

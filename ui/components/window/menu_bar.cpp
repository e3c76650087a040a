// The menu bar of a top-level window with its accelerators, and the pre-translation that every
// queued message for a loaded window passes before it is dispatched.
//
// Not implemented: arrow keys between option buttons and dragging the window by a press on a
// control (no component type here is an option button or lets itself be dragged).

#include "ui/components/window/menu_bar.h"

#include <algorithm>
#include <string>

#include "runtime/system_code_page.h"
#include "ui/components/window/window.h"
#include "ui/model/general_events.h"

namespace {

constexpr UINT kLastMenuCommand = 57599;

// --- building -------------------------------------------------------------------------------

std::vector<std::string> makeShortcutTexts() {
  std::vector<std::string> texts(78);
  for (int i = 0; i < 26; ++i) texts[1 + i] = std::string("Ctrl+") + static_cast<char>('A' + i);
  for (int i = 0; i < 12; ++i) {
    const std::string f = std::to_string(i + 1).insert(0, 1, 'F');
    texts[27 + i] = f;
    texts[39 + i] = "Ctrl+" + f;
    texts[51 + i] = "Shift+" + f;
    texts[63 + i] = "Ctrl+Shift+" + f;
  }
  texts[75] = "Ins";
  texts[76] = "Del";
  return texts;
}

// Popups nest at most this deep. The system's own menu code walks nested popups recursively:
// under Wine a few thousand levels overflow its stack when the menu is destroyed.
constexpr int kMaxMenuDepth = 64;

class MenuBuilder {
 public:
  MenuBuilder(const WindowDescription& window, WindowDescription::Run run)
      : units_(window.units), start_(run.start), end_(run.start + run.length) {}

  // Appends the items from `i` on whose level is above `parentLevel`; returns the index of the
  // first item after them. `depth` counts the popups that hold `menu`.
  int append(HMENU menu, int i, int64_t parentLevel, bool hiddenBranch, int depth) {
    while (i < end_ && level(i) > parentLevel) {
      const UnitRecord& item = units_[i];
      const bool hidden = hiddenBranch || (item.menuFlags & kMenuHidden);
      if (i + 1 < end_ && level(i + 1) > level(i)) {
        if (depth == kMaxMenuDepth) {
          tooDeep_ = true;
          return end_;
        }
        HMENU popup = CreatePopupMenu();
        const int next = append(popup, i + 1, level(i), hidden, depth + 1);
        if (hidden)
          DestroyMenu(popup);
        else
          AppendMenuA(menu, MF_POPUP | MF_STRING | grayed(item), reinterpret_cast<UINT_PTR>(popup),
                      SystemText(item.caption).c_str());
        i = next;
      } else {
        if (!hidden) appendItem(menu, i);
        ++i;
      }
    }
    return i;
  }

  const std::vector<ACCEL>& accelerators() const { return accelerators_; }
  bool tooDeep() const { return tooDeep_; }

 private:
  int64_t level(int i) const { return units_[i].level; }
  static UINT grayed(const UnitRecord& item) {
    return (item.menuFlags & kMenuDisabled) ? MF_GRAYED : 0;
  }

  void appendItem(HMENU menu, int i) {
    const UnitRecord& item = units_[i];
    const auto id = static_cast<UINT>(kFirstMenuCommand + (i - start_));
    if (item.caption == "-") {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      return;
    }
    std::string text = item.caption;
    if (const char* shortcut = shortcutText(item.shortcut); *shortcut) {
      text += '\t';
      text += shortcut;
    }
    const UINT checked = (item.menuFlags & kMenuChecked) ? MF_CHECKED : 0;
    AppendMenuA(menu, MF_STRING | grayed(item) | checked, id, SystemText(text).c_str());
    ACCEL accel;
    if (shortcutAccelerator(item.shortcut, accel)) {
      accel.cmd = static_cast<WORD>(id);
      accelerators_.push_back(accel);
    }
  }

  const std::vector<UnitRecord>& units_;
  int start_, end_;
  std::vector<ACCEL> accelerators_;
  bool tooDeep_ = false;
};

// --- pre-translation ------------------------------------------------------------------------

struct KeyState {
  bool ctrl, shift, alt;
};

KeyState keyState() {
  return {GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0};
}

const ComponentType* typeOf(const LoadedUnit& u) {
  return u.type ? u.type : componentType(u.record->type);
}

HWND hwndOf(const LoadedUnit& u) { return u.object ? u.object->hwnd() : nullptr; }

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

bool isUsable(HWND h) { return h && IsWindowVisible(h) && IsWindowEnabled(h); }

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

const char* shortcutText(uint32_t shortcut) {
  static const std::vector<std::string> texts = makeShortcutTexts();
  return shortcut < texts.size() ? texts[shortcut].c_str() : "";
}

bool shortcutAccelerator(uint32_t n, ACCEL& out) {
  out = ACCEL{FVIRTKEY | FNOINVERT, 0, 0};
  if (n >= 1 && n <= 26) {
    out.fVirt |= FCONTROL;
    out.key = static_cast<WORD>('A' + n - 1);
  } else if (n >= 27 && n <= 74) {
    const uint32_t group = (n - 27) / 12;  // F, Ctrl+F, Shift+F, Ctrl+Shift+F
    out.key = static_cast<WORD>(VK_F1 + (n - 27) % 12);
    if (group == 1 || group == 3) out.fVirt |= FCONTROL;
    if (group == 2 || group == 3) out.fVirt |= FSHIFT;
  } else if (n == 75) {
    out.key = VK_INSERT;
  } else if (n == 76) {
    out.key = VK_DELETE;
  } else {
    return false;
  }
  return true;
}

std::optional<MenuBar> buildMenuBar(const WindowDescription& window) {
  const WindowDescription::Run run = window.menuItemRun();
  if (run.length == 0) return MenuBar{};
  MenuBuilder builder(window, run);
  MenuBar bar;
  bar.menu = CreateMenu();
  builder.append(bar.menu, run.start, -1, false, 0);
  if (builder.tooDeep()) {
    DestroyMenu(bar.menu);
    return std::nullopt;
  }
  const auto& accelerators = builder.accelerators();
  if (!accelerators.empty())
    bar.accelerators = CreateAcceleratorTableA(const_cast<ACCEL*>(accelerators.data()),
                                               static_cast<int>(accelerators.size()));
  return bar;
}

void rebuildMenuBar(LoadedWindow& window) {
  const HWND hwnd = window.hwnd();
  WindowComponent* component = windowComponent(window);
  if (!hwnd || !component) return;
  const std::optional<MenuBar> bar = buildMenuBar(*window.description);
  if (!bar) return;
  component->setAccelerators(bar->accelerators);
  const HMENU old = GetMenu(hwnd);
  SetMenu(hwnd, bar->menu);
  if (old) DestroyMenu(old);
}

bool handleMenuCommand(LoadedWindow& window, UINT id) {
  if (id < kFirstMenuCommand) return false;
  if (id > kLastMenuCommand) return true;
  const WindowDescription::Run run = window.description->menuItemRun();
  const int index = static_cast<int>(id - kFirstMenuCommand);
  if (index >= run.length) return true;
  EventRecord r;
  r.window = window.id();
  r.unit = window.units[run.start + index].id;
  raiseEvent(r);
  return true;
}

std::vector<HWND> tabStops(LoadedWindow& window) {
  std::vector<std::pair<uint32_t, HWND>> stops;
  for (size_t i = 1; i < window.units.size(); ++i) {
    const LoadedUnit& u = window.units[i];
    HWND h = hwndOf(u);
    if (isUsable(h) && (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP))
      stops.emplace_back(u.record->tabOrder, h);
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<HWND> out;
  for (const auto& s : stops) out.push_back(s.second);
  return out;
}

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

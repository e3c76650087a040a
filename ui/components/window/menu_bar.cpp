// The menu bar of a top-level window with its accelerators, and the pre-translation that every
// queued message for a loaded window passes before it is dispatched.
//
// Not implemented: arrow keys between option buttons and dragging the window by a press on a
// control (no component type here is an option button or lets itself be dragged).

#include "ui/components/window/menu_bar.h"

#include <algorithm>
#include <string>

#include "runtime/system_code_page.h"
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
  bar.menu.reset(CreateMenu());
  builder.append(bar.menu.get(), run.start, -1, false, 0);
  if (builder.tooDeep()) return std::nullopt;
  const auto& accelerators = builder.accelerators();
  if (!accelerators.empty())
    bar.accelerators.reset(CreateAcceleratorTableA(const_cast<ACCEL*>(accelerators.data()),
                                                   static_cast<int>(accelerators.size())));
  return bar;
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

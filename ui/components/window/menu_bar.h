#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "ui/model/component_model.h"

constexpr UINT kFirstMenuCommand = 20000;

struct MenuBar {
  HMENU menu = nullptr;
  HACCEL accelerators = nullptr;  // null when no item has a shortcut
};

// Builds the menu bar and accelerator table from the window's first run of menu items;
// nullopt for popups nested more than 64 deep.
std::optional<MenuBar> buildMenuBar(const WindowDescription& window);
// Rebuilds after a menu item property changed: installs the new bar with SetMenu, replaces
// and destroys the old accelerators and destroys the old menu.
void rebuildMenuBar(LoadedWindow& window);
// The menu text and accelerator of a shortcut number (1-77); empty text / false when none.
const char* shortcutText(uint32_t shortcut);
bool shortcutAccelerator(uint32_t shortcut, ACCEL& out);
// WM_COMMAND of a top-level window: true when the id was a menu command (handled).
bool handleMenuCommand(LoadedWindow& window, UINT id);
// Pre-translation of a queued message; true when consumed.
bool preTranslate(MSG& msg);
// The visible, enabled tab-stop controls of a window, in tab order (form order for equal
// tab order values).
std::vector<HWND> tabStops(LoadedWindow& window);

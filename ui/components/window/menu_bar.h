#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <type_traits>

#include "ui/model/component_model.h"

constexpr UINT kFirstMenuCommand = 20000;

struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using OwnedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;
struct AcceleratorsDeleter {
  void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
using OwnedAccelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorsDeleter>;

// A window's menu bar and accelerator table. The menu goes to its window, which destroys it
// with itself, the table to the window component; what is not handed on is destroyed here.
struct MenuBar {
  OwnedMenu menu;                  // null when the window has no menu items
  OwnedAccelerators accelerators;  // null when no item has a shortcut
};

// Builds the menu bar and accelerator table from the window's first run of menu items;
// nullopt for popups nested more than 64 deep.
std::optional<MenuBar> buildMenuBar(const WindowDescription& window);
// The menu text and accelerator of a shortcut number (1-77); empty text / false when none.
const char* shortcutText(uint32_t shortcut);
bool shortcutAccelerator(uint32_t shortcut, ACCEL& out);
// WM_COMMAND of a top-level window: true when the id was a menu command (handled).
bool handleMenuCommand(LoadedWindow& window, UINT id);

#include "ui/model/component_model.h"

#include <algorithm>
#include <map>
#include <memory>

#include "runtime/message_box.h"
#include "ui/model/stock_pointer.h"

namespace {

FormDescription* gForm = nullptr;
std::span<const HandlerEntry> gHandlers;
std::vector<std::unique_ptr<LoadedWindow>> gWindows;
bool gQuitAfterLastWindow = false;

std::map<TypeId, const ComponentType*>& typeTable() {
  static std::map<TypeId, const ComponentType*> table;
  return table;
}

// Menu items are not windows; they only raise their clicked event.
const ComponentType kMenuItem = {"菜单", "menu", kStateMenuEvents, {}, nullptr, nullptr};
const bool kMenuRegistered = registerComponentType(kMenuItemType, kMenuItem);

HWND loadedWindowHandle(UnitId window);
const bool kMessageBoxesFindWindows = (setLoadedWindowHandle(loadedWindowHandle), true);

}  // namespace

bool registerComponentType(TypeId id, const ComponentType& type) {
  typeTable()[id] = &type;
  return true;
}

const ComponentType* componentType(TypeId id) {
  auto it = typeTable().find(id);
  return it == typeTable().end() ? nullptr : it->second;
}

uint32_t resolveColour(uint32_t colour) {
  return colour == kSystemDefaultColour ? GetSysColor(COLOR_BTNFACE) : colour;
}

void setForm(FormDescription* form) { gForm = form; }
FormDescription* form() { return gForm; }
void setHandlerTable(std::span<const HandlerEntry> handlers) { gHandlers = handlers; }
std::span<const HandlerEntry> handlerTable() { return gHandlers; }

LoadedUnit* LoadedWindow::find(UnitId unit) {
  int i = indexOf(unit);
  return i < 0 ? nullptr : &units[i];
}

int LoadedWindow::indexOf(UnitId unit) const {
  if (unit == 0) return units.empty() ? -1 : 0;
  for (size_t i = 0; i < units.size(); ++i)
    if (units[i].id == unit) return static_cast<int>(i);
  return -1;
}

HWND LoadedWindow::hwnd() const {
  return !units.empty() && units[0].object ? units[0].object->hwnd() : nullptr;
}

LoadedWindow* findLoadedWindow(UnitId window) {
  for (auto& w : gWindows)
    if (w->id() == window) return w.get();
  return nullptr;
}

LoadedWindow& addLoadedWindow(WindowDescription& description) {
  auto w = std::make_unique<LoadedWindow>();
  w->description = &description;
  for (size_t i = 0; i < description.units.size(); ++i) {
    LoadedUnit u;
    u.id = description.unitIds[i];
    u.record = &description.units[i];
    u.type = componentType(u.record->type);
    w->units.push_back(u);
  }
  gWindows.push_back(std::move(w));
  return *gWindows.back();
}

void removeLoadedWindow(UnitId window) {
  auto it = std::find_if(gWindows.begin(), gWindows.end(),
                         [&](const auto& w) { return w->id() == window; });
  if (it == gWindows.end()) return;
  for (auto& u : (*it)->units)
    if (u.cursor) DestroyCursor(u.cursor);
  gWindows.erase(it);
  if (gQuitAfterLastWindow && gWindows.empty()) PostQuitMessage(0);
}

void setQuitAfterLastWindow(bool on) { gQuitAfterLastWindow = on; }

size_t loadedWindowCount() { return gWindows.size(); }

std::vector<LoadedWindow*> loadedWindows() {
  std::vector<LoadedWindow*> out;
  for (auto& w : gWindows) out.push_back(w.get());
  return out;
}

void reportUnitDestroyed(UnitId window, UnitId unit, Component* object) {
  LoadedWindow* w = findLoadedWindow(window);
  LoadedUnit* u = w ? w->find(unit) : nullptr;
  if (u && u->object == object) u->object = nullptr;
}

Component* resolveUnit(UnitId window, UnitId unit) {
  LoadedWindow* w = findLoadedWindow(window);
  LoadedUnit* u = w ? w->find(unit) : nullptr;
  if (!u || !u->object) fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  return u->object;
}

int64_t callCommand(int command, std::span<const TypedValue> args) {
  if (args.empty()) return 0;
  auto window = static_cast<UnitId>(args[0].value);
  UnitId unit = args[0].second;
  Component* c = resolveUnit(window, unit);
  const LoadedUnit* u = findLoadedWindow(window)->find(unit);
  if (!u->type || u->record->type != args[0].tag)
    fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  CommandFn fn = u->type->commands ? u->type->commands(command) : nullptr;
  return fn ? fn(c, args.subspan(1)) : 0;
}

HCURSOR makeCursor(const std::vector<uint8_t>& pointerData) {
  if (pointerData.size() < 4) return nullptr;
  uint32_t n = pointerData[0] | pointerData[1] << 8 | pointerData[2] << 16 |
               static_cast<uint32_t>(pointerData[3]) << 24;
  const uint16_t cursor = stockPointerCursor(n);
  if (cursor == 0) return nullptr;
  // Shared system cursors: copy so that every unit owns (and destroys) its own handle.
  return CopyCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(cursor)));
}

namespace {
HWND loadedWindowHandle(UnitId window) {
  LoadedWindow* w = findLoadedWindow(window);
  return w ? w->hwnd() : nullptr;
}
}  // namespace

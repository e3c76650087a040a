#include "ui/model/window_lookup.h"

#include <algorithm>
#include <utility>

LoadedUnit* unitOfWindow(LoadedWindow& window, HWND hwnd) {
  if (!hwnd) return nullptr;
  for (LoadedUnit& u : window.units)
    if (hwndOf(u) == hwnd) return &u;
  return nullptr;
}

LoadedUnit* unitOwningWindow(LoadedWindow& window, HWND hwnd) {
  const HWND root = window.hwnd();
  if (!hwnd || !root) return nullptr;
  if (hwnd == root) return &window.units[0];
  for (HWND h = hwnd; h && h != root; h = GetAncestor(h, GA_PARENT))
    if (LoadedUnit* u = unitOfWindow(window, h)) return u;
  return nullptr;
}

LoadedWindow* loadedWindowContaining(HWND hwnd) {
  const HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  if (!root) return nullptr;
  for (LoadedWindow* w : loadedWindows())
    if (w->hwnd() == root) return w;
  return nullptr;
}

bool isUsable(HWND h) { return h && IsWindowVisible(h) && IsWindowEnabled(h); }

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

#include "form/form_description.h"

#include <algorithm>

int WindowDescription::find(UnitId unit) const {
  const size_t n = std::min(unitIds.size(), units.size());
  for (size_t i = 0; i < n; ++i)
    if (unitIds[i] == unit) return static_cast<int>(i);
  return -1;
}

WindowDescription::Run WindowDescription::menuItemRun() const {
  Run run;
  for (size_t i = 0; i < units.size(); ++i) {
    if (!units[i].isMenuItem()) {
      if (run.length > 0) break;
      continue;
    }
    if (run.length == 0) run.start = static_cast<int>(i);
    ++run.length;
  }
  return run;
}

WindowDescription* FormDescription::find(UnitId window) {
  for (auto& w : windows)
    if (w.id == window) return &w;
  return nullptr;
}

const WindowDescription* FormDescription::find(UnitId window) const {
  return const_cast<FormDescription*>(this)->find(window);
}

uint32_t findHandler(const WindowDescription& window, int unitIndex, int32_t event) {
  if (unitIndex < 0 || static_cast<size_t>(unitIndex) >= window.units.size()) return kNoHandler;
  const TypeId type = window.units[unitIndex].type;

  // A cycle ends at the last unit before the chain comes back to one already seen.
  std::vector<bool> seen(window.units.size());
  int current = unitIndex;
  seen[current] = true;
  for (;;) {
    const UnitId next = window.units[current].eventsOf;
    if (next == 0) break;
    const int found = window.find(next);
    if (found < 0 || seen[found] || window.units[found].type != type) break;
    current = found;
    seen[current] = true;
  }

  const UnitRecord& unit = window.units[current];
  if (unit.isMenuItem()) return unit.clickHandler;
  for (const auto& b : unit.bindings)
    if (b.event == event) return b.handler;
  return kNoHandler;
}

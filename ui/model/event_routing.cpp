#include "ui/model/component_model.h"

namespace {

int gHoldCount = 0;
UnitId gSourceWindow = 0;
UnitId gSourceUnit = 0;

// Finds the handler bound to the record's event; a fatal error when the source is unknown.
const HandlerEntry* handlerFor(UnitId window, UnitId unit, int32_t event) {
  LoadedWindow* w = findLoadedWindow(window);
  if (!w) fatalError(FatalText::kEventWindowMissing, 0, window, unit);
  int index = w->indexOf(unit);
  if (index < 0) fatalError(FatalText::kEventUnitMissing, 0, window, unit);
  const ComponentType* type = w->units[index].type;
  if (!type || !type->raisesEvents()) fatalError(FatalText::kEventUnitInvalid, 0, window, unit);
  uint32_t h = findHandler(*w->description, index, event);
  std::span<const HandlerEntry> handlers = handlerTable();
  if (h == kNoHandler || h >= handlers.size() || !handlers[h].fn) return nullptr;
  return &handlers[h];
}

template <class Record>
int route(Record& record) {
  if (gHoldCount > 0) return 0;
  const HandlerEntry* handler = handlerFor(record.window, record.unit, record.event);
  if (!handler) return 0;
  // Nested events restore the outer event's source when they return.
  UnitId outerWindow = gSourceWindow, outerUnit = gSourceUnit;
  gSourceWindow = record.window;
  gSourceUnit = record.unit;
  EventCall call(record);
  handler->fn(call);
  gSourceWindow = outerWindow;
  gSourceUnit = outerUnit;
  return 1;
}

}  // namespace

int raiseEvent(EventRecord& record) { return route(record); }
int raiseEvent(TypedEventRecord& record) { return route(record); }

void holdEvents() { ++gHoldCount; }
void releaseEvents() {
  if (gHoldCount > 0) --gHoldCount;
}
int eventHoldCount() { return gHoldCount; }
UnitId currentEventWindow() { return gSourceWindow; }
UnitId currentEventUnit() { return gSourceUnit; }

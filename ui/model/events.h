#pragma once
#include <cstdint>

#include "form/unit_id.h"

// The record with which a component raises an event.
struct EventRecord {
  UnitId window = 0;
  UnitId unit = 0;  // 0: the window's own unit
  int32_t event = 0;
  int32_t argCount = 0;
  int32_t args[5] = {};
  int32_t hasReturn = 0;
  int32_t returnValue = 0;
};

// The typed form: up to 12 arguments of (value, type tag, flags). Flag bit 0 means the value
// is the address of a variable holding the argument (for a text, the variable holding the
// text's address).
struct TypedArgument {
  uint64_t value = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
};
constexpr uint32_t kArgByAddress = 1;

struct TypedEventRecord {
  UnitId window = 0;
  UnitId unit = 0;
  int32_t event = 0;
  int32_t argCount = 0;
  TypedArgument args[12] = {};
  int32_t hasReturn = 0;
  int64_t returnValue = 0;
};

// What a handler sees of the event that called it.
class EventCall {
 public:
  explicit EventCall(EventRecord& r) : plain_(&r) {}
  explicit EventCall(TypedEventRecord& r) : typed_(&r) {}

  int32_t eventNumber() const { return plain_ ? plain_->event : typed_->event; }
  int argCount() const { return plain_ ? plain_->argCount : typed_->argCount; }
  // An integer argument (0 when absent).
  int32_t arg(int i) const;
  // A text argument of the typed form (followed through its address when so flagged); "" when
  // absent or not a text.
  const char* textArg(int i) const;
  // Marks the event as answered with v (false = 0 refuses what can be refused).
  void returns(int64_t v);

 private:
  EventRecord* plain_ = nullptr;
  TypedEventRecord* typed_ = nullptr;
};

using HandlerFn = void (*)(EventCall&);

// One entry of the application's dense handler table; form bindings index it.
struct HandlerEntry {
  const char* name;
  HandlerFn fn;
};

// Modifier bits of general events.
enum Modifiers : int32_t { kModCtrl = 1, kModShift = 2, kModAlt = 4 };

// General events raised for every windowed unit by the window's pre-translation.
enum GeneralEvent : int32_t {
  kEventLButtonDown = -1,
  kEventLButtonUp = -2,
  kEventLButtonDblClk = -3,
  kEventRButtonDown = -4,
  kEventRButtonUp = -5,
  kEventMouseMove = -6,
  kEventGotFocus = -7,
  kEventLostFocus = -8,
  kEventKeyDown = -9,
  kEventKeyUp = -10,
  kEventChar = -11,
  kEventWheel = -12,
};

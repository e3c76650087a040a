#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "form/unit_id.h"

// The decoded form description: every window the program can show, with each unit's record.
// Decoding copies everything out of the embedded block, so records can grow (a re-created
// unit stores its new property data) without touching the block.

constexpr uint32_t kNoHandler = 0xFFFFFFFF;

struct EventBinding {
  int32_t event = 0;
  uint32_t handler = kNoHandler;  // index into the application's handler table

  friend bool operator==(const EventBinding&, const EventBinding&) = default;
};

// Unit state flags of windows and controls.
enum UnitFlags : uint32_t { kUnitVisible = 1, kUnitDisabled = 2, kUnitTabStop = 4 };
// State flags of menu items.
enum MenuFlags : uint32_t { kMenuHidden = 1, kMenuDisabled = 2, kMenuChecked = 4 };

struct UnitRecord {
  TypeId type = 0;
  UnitId eventsOf = 0;  // another unit of the same type whose bindings serve; 0 = own
  uint32_t reserved[4] = {};
  std::string name;
  std::string comment;

  // Windows and controls.
  int32_t left = 0, top = 0, width = 0, height = 0;
  UnitId parent = 0;  // 0 = the window
  std::vector<UnitId> children;
  std::vector<uint8_t> pointerData;
  std::string tag;
  uint32_t reserved2 = 0;
  uint32_t flags = 0;  // UnitFlags
  uint32_t tabOrder = 0;
  std::vector<EventBinding> bindings;
  uint32_t reserved3[5] = {};
  std::vector<uint8_t> properties;  // the component's stored property data

  // Menu items.
  uint32_t shortcut = 0;
  uint32_t level = 0;
  uint32_t menuFlags = 0;  // MenuFlags
  std::string caption;
  uint32_t clickHandler = kNoHandler;
  uint32_t slots[4] = {};

  bool isMenuItem() const { return type == kMenuItemType; }
  friend bool operator==(const UnitRecord&, const UnitRecord&) = default;
};

struct WindowDescription {
  UnitId id = 0;
  uint32_t wordA = 0, wordB = 0;
  std::string name;
  std::string comment;
  std::vector<UnitId> unitIds;  // form order; [0] is the window's own unit
  std::vector<UnitRecord> units;

  // Index of the unit in form order, or -1.
  int find(UnitId unit) const;
  // The first run of consecutive menu items: start index and length (0 when none).
  struct Run {
    int start = 0;
    int length = 0;
  };
  Run menuItemRun() const;

  friend bool operator==(const WindowDescription&, const WindowDescription&) = default;
};

struct FormDescription {
  std::vector<WindowDescription> windows;

  WindowDescription* find(UnitId window);
  const WindowDescription* find(UnitId window) const;

  friend bool operator==(const FormDescription&, const FormDescription&) = default;
};

// The handler bound to (window, unit, event): follows the events-of chain, then a menu
// item's click handler or the first binding with that event number. kNoHandler when none.
// The unit must exist in the window (callers check and report).
uint32_t findHandler(const WindowDescription& window, int unitIndex, int32_t event);

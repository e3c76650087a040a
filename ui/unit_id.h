#pragma once
#include <cstdint>

// Bits 24-27: kind (2 window description, 6 unit); bits 28-31 of a unit: role (0 the window's
// own unit, 1 control, 2 menu item); bits 0-23: serial number.
using UnitId = uint32_t;
// High 16 bits: component library (from 1); low 16 bits: type number (from 1).
using TypeId = uint32_t;

constexpr uint32_t unitKind(UnitId id) { return (id >> 24) & 0xF; }
constexpr uint32_t unitRole(UnitId id) { return id >> 28; }
constexpr bool isWindowDescriptionId(UnitId id) { return unitKind(id) == 2; }
constexpr bool isMenuItemId(UnitId id) { return unitKind(id) == 6 && unitRole(id) == 2; }
constexpr bool isValidTypeId(TypeId t) { return t != 0 && t < 0x40000000; }

constexpr TypeId kWindowType = 0x00010001;
constexpr TypeId kMenuItemType = 0x00010003;
constexpr TypeId kEditBoxType = 0x00010005;
constexpr TypeId kTabControlType = 0x00010015;
constexpr TypeId kCommonDialogType = 0x0001001F;
constexpr TypeId kTimerType = 0x00010020;
constexpr TypeId kStatusBarType = 0x00020002;
constexpr TypeId kTransLabelType = 0x00020005;
constexpr TypeId kDropTargetType = 0x00030001;

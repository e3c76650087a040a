#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "form/unit_id.h"
#include "runtime/typed_value.h"
#include "ui/model/property_table.h"
#include "ui/model/property_value.h"

// A live unit: what a component type's create returns. Its lifetime follows its window: the
// component deletes itself when the window is destroyed, after reporting the destruction of
// its unit to the registry (reportUnitDestroyed).
template <class T>
struct HiddenUnitWindow;

class Component {
 public:
  Component(UnitId window, UnitId unit) : windowId_(window), unitId_(unit) {}
  virtual ~Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  HWND hwnd() const { return hwnd_; }
  UnitId windowId() const { return windowId_; }
  UnitId unitId() const { return unitId_; }

 protected:
  template <class T>
  friend struct HiddenUnitWindow;
  HWND hwnd_ = nullptr;
  UnitId windowId_;
  UnitId unitId_;
};

struct CreateParams {
  const uint8_t* properties = nullptr;  // the unit's stored property data
  size_t propertiesSize = 0;
  DWORD style = 0;  // WS_DISABLED / WS_TABSTOP from the unit's flags
  HWND parent = nullptr;
  int controlId = 0;
  int x = 0, y = 0, width = 0, height = 0;
  UnitId window = 0;
  UnitId unit = 0;
  uint32_t designFlags = 0;
  // Top-level windows only.
  HMENU menu = nullptr;
  HWND owner = nullptr;
  bool modal = false;
};

// Private messages the window sends its units.
constexpr UINT UM_CREATED = 0x8001;       // post-creation, in reverse form order
constexpr UINT UM_LAYOUT = 0x8002;        // to the window: lay out docked bars, now and from now on
constexpr UINT UM_REDOCK = 0x8003;        // to a docking bar: recompute size and edge
constexpr UINT UM_SHOWN = 0x8004;         // post-show, after the first show
constexpr UINT UM_MENU_CHANGED = 0x8005;  // to the window: a menu item's caption or state changed
constexpr UINT UM_SHOW_FIRST = 0x8006;    // to the window: show as its first show does

// Key passed to wantsKey: the key code in the low byte, modifier bits above it.
constexpr uint32_t kWantCtrl = 0x100, kWantShift = 0x200, kWantAlt = 0x400;

// Operation numbers of a type's lookup.
enum Operation : int {
  kOpCreate = 1,
  kOpSetProperty = 4,
  kOpSaveProperties = 5,
  kOpGetProperty = 6,
  kOpGetIcon = 7,
  kOpWantsKey = 8,
  kOpEnumerateTexts = 9,
  kOpDefaultAction = 10,
  kOpFilterMessage = 11,
};

template <int Op>
struct OperationSignature;
template <>
struct OperationSignature<kOpCreate> {
  using type = Component* (*)(const CreateParams&);
};
template <>
struct OperationSignature<kOpSetProperty> {
  // index is the type-specific index (property index - 8). 1 asks for re-creation.
  using type = int (*)(Component*, int index, const PropertyValue& value);
};
template <>
struct OperationSignature<kOpSaveProperties> {
  using type = std::vector<uint8_t> (*)(Component*);
};
template <>
struct OperationSignature<kOpGetProperty> {
  using type = bool (*)(Component*, int index, PropertyValue& out);
};
template <>
struct OperationSignature<kOpGetIcon> {
  using type = HICON (*)(Component*);
};
template <>
struct OperationSignature<kOpWantsKey> {
  using type = bool (*)(Component*, uint32_t key);
};
template <>
struct OperationSignature<kOpDefaultAction> {
  using type = bool (*)(Component*);
};
template <>
struct OperationSignature<kOpFilterMessage> {
  using type = bool (*)(Component*, MSG*);
};

using OperationFn = void (*)();
using LookupFn = OperationFn (*)(int operation);

// Registers f as operation Op; the signature is checked here, at compile time.
template <int Op>
OperationFn operationFor(typename OperationSignature<Op>::type f) {
  return reinterpret_cast<OperationFn>(f);
}

// The three property operations of a component class T, whose properties are the table
// T::kProperties and whose saveProperties writes its stored block. A type's lookup adds its
// other operations.
template <class T>
struct PropertyOperations {
  static int set(Component* c, int index, const PropertyValue& value) {
    return setProperty(T::kProperties, *c, index + 8, value);
  }
  static std::vector<uint8_t> save(Component* c) { return static_cast<T*>(c)->saveProperties(); }
  static bool get(Component* c, int index, PropertyValue& out) {
    return getProperty(T::kProperties, *c, index + 8, out);
  }
  // The operation's function, or nullptr when it is not one of the three.
  static OperationFn lookup(int operation) {
    switch (operation) {
      case kOpSetProperty:
        return operationFor<kOpSetProperty>(&set);
      case kOpSaveProperties:
        return operationFor<kOpSaveProperties>(&save);
      case kOpGetProperty:
        return operationFor<kOpGetProperty>(&get);
      default:
        return nullptr;
    }
  }
};

// A component command: the component, then the caller's arguments after the first triple.
using CommandFn = int64_t (*)(Component*, std::span<const TypedValue> args);
using CommandLookupFn = CommandFn (*)(int command);

// State bits tested by the component model.
enum TypeState : uint32_t {
  kStateEvents = 0x40,
  kStateMenuEvents = 0x04,
  kStateNeverRecreate = 0x10,
  kStateMessageFilter = 0x20,
  kStateContainer = 0x80,
  kStateOptionButton = 0x400,
  kStateDefaultButton = 0x800,
  kStateTabControl = 0x100,
  kStateNeverShown = 0x8000,
  kStateDockingBar = 0x100000,
};

struct ComponentType {
  const char* name;  // Chinese name (GBK)
  const char* englishName;
  uint32_t state;
  PropertyTable properties;  // the type-specific ones, index 8 and up
  LookupFn lookup;
  CommandLookupFn commands = nullptr;

  bool raisesEvents() const { return state & (kStateEvents | kStateMenuEvents); }
  template <int Op>
  typename OperationSignature<Op>::type operation() const {
    return lookup ? reinterpret_cast<typename OperationSignature<Op>::type>(lookup(Op)) : nullptr;
  }
};

// Types register themselves from their own source file:
//   static const bool registered = registerComponentType(kEditBoxType, kEditBox);
bool registerComponentType(TypeId id, const ComponentType& type);
const ComponentType* componentType(TypeId id);

#pragma once
#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "form/form_description.h"
#include "form/unit_id.h"
#include "runtime/typed_value.h"
#include "ui/model/component_type.h"
#include "ui/model/events.h"
#include "ui/model/property_value.h"

// One unit of a loaded window.
struct LoadedUnit {
  UnitId id = 0;
  UnitRecord* record = nullptr;         // in the decoded form description
  const ComponentType* type = nullptr;  // null for menu items
  Component* object = nullptr;          // the live component, or null
  HCURSOR cursor = nullptr;             // made from the record's pointer data
};

// A loaded window description. Units are in form order; [0] is the window's own unit.
struct LoadedWindow {
  WindowDescription* description = nullptr;
  std::vector<LoadedUnit> units;

  UnitId id() const { return description->id; }
  LoadedUnit* find(UnitId unit);  // unit 0: the window's own unit
  int indexOf(UnitId unit) const;
  HWND hwnd() const;  // the top-level window, or null
};

// --- Registry -------------------------------------------------------------------------------
void setForm(FormDescription* form);
FormDescription* form();
void setHandlerTable(std::span<const HandlerEntry> handlers);
std::span<const HandlerEntry> handlerTable();

LoadedWindow* findLoadedWindow(UnitId window);  // null when not loaded
LoadedWindow& addLoadedWindow(WindowDescription& description);
void removeLoadedWindow(UnitId window);
// While on (the program's message loop runs), removing the last loaded window posts WM_QUIT.
void setQuitAfterLastWindow(bool on);
size_t loadedWindowCount();
std::vector<LoadedWindow*> loadedWindows();
// Called by a component whose window has been destroyed; clears the slot if it still holds
// this object (a re-created unit's slot already holds its successor).
void reportUnitDestroyed(UnitId window, UnitId unit, Component* object);

// --- Property access ------------------------------------------------------------------------
PropertyValue readProperty(UnitId window, UnitId unit, int index, int sub = -1);
void writeProperty(UnitId window, UnitId unit, int index, int sub, const PropertyValue& value);
inline void writeProperty(UnitId window, UnitId unit, int index, const PropertyValue& value) {
  writeProperty(window, unit, index, -1, value);
}
// Re-creates a unit from its saved properties (events held meanwhile).
void recreateUnit(LoadedWindow& window, int unitIndex);
// Makes a unit's cursor from pointer data (none for empty data or the default pointer).
HCURSOR makeCursor(const std::vector<uint8_t>& pointerData);

// --- Commands -------------------------------------------------------------------------------
// The live component of (window, unit); a fatal error when either is not loaded.
Component* resolveUnit(UnitId window, UnitId unit);

enum Command : int {
  kCmdShowDialog = 1,
  kCmdClearParts = 2,
  kCmdAddPart = 3,
  kCmdRegisterWindow = 4,
  kCmdRevokeWindow = 5,
};
// args[0] is (window UnitId, unit UnitId, the unit's expected TypeId); the rest are the
// command's own arguments, omitted ones with tag 0.
int64_t callCommand(int command, std::span<const TypedValue> args);
inline TypedValue unitArg(UnitId window, UnitId unit, TypeId type) { return {window, unit, type}; }

// --- Geometry batches -----------------------------------------------------------------------
// While a batch is open, position and size writes to controls (not to top-level windows) are
// collected and read back as written; closing the outermost batch moves each control once.
// A window's size-changed handler typically sets a control's height and then its width: in a
// batch the control is laid out once instead of twice per frame of a resize.
void beginGeometryBatch();
void endGeometryBatch();
class GeometryBatch {
 public:
  GeometryBatch() { beginGeometryBatch(); }
  ~GeometryBatch() { endGeometryBatch(); }
  GeometryBatch(const GeometryBatch&) = delete;
  GeometryBatch& operator=(const GeometryBatch&) = delete;
};

// --- Events ---------------------------------------------------------------------------------
// 1 when a handler was found and called. Nothing happens while events are held.
int raiseEvent(EventRecord& record);
int raiseEvent(TypedEventRecord& record);
// True when the handler answered with a value and that value is 0: the caller then skips
// its default processing.
inline bool refused(const EventRecord& r) { return r.hasReturn && r.returnValue == 0; }
void holdEvents();
void releaseEvents();
int eventHoldCount();
// The source of the event being handled (0, 0 outside handlers).
UnitId currentEventWindow();
UnitId currentEventUnit();

// --- Fatal errors ---------------------------------------------------------------------------
// Shows "运行时出错!..." with the message and location, then ends the process with exit
// code -1. Events stay held from here on.
[[noreturn]] void fatalError(const char* message, int code, UnitId window, UnitId unit);
// A non-zero result suppresses the message box.
using FatalCallback = int (*)(const char* message, const char* location, int code);
void setFatalCallback(FatalCallback callback);
// Tests replace the process exit of fatal errors (the replacement may throw).
void setFatalExitForTests(void (*exit)(const char* message));
// The message box text, without showing anything (kept apart for tests).
std::string fatalErrorText(const char* message, int code, UnitId window, UnitId unit);
std::string fatalLocationText(UnitId window, UnitId unit);

// Fatal messages, as the user sees them.
namespace FatalText {
inline constexpr const char* kWindowNotLoaded = "未载入欲访问窗口组件所在的窗口";
inline constexpr const char* kReadNoWindow = "读取组件属性时发现指定窗口尚未载入";
inline constexpr const char* kWriteNoWindow = "修改组件属性时发现指定窗口尚未载入";
inline constexpr const char* kEventWindowMissing = "未找到引发事件的窗口";
inline constexpr const char* kEventUnitMissing = "未找到引发事件的窗口组件";
inline constexpr const char* kEventUnitInvalid = "引发事件的窗口组件无效";
inline constexpr const char* kUnitNotLoaded = "指定窗口或窗口组件不存在或尚未载入";
inline constexpr const char* kStartupWindow = "载入启动窗口失败";
inline constexpr const char* kFormData = "载入窗口模板数据段出错!";
}  // namespace FatalText

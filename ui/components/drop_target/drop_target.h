#pragma once
#include <windows.h>
#include <ole2.h>

#include "form/unit_id.h"

// The drop target component ("拖放对象"): an OLE drop target that the program registers on a
// window of its choice; text, HTML, URL and file lists dropped there become the unit's events.

enum DropTargetProperty : int {
  kDropAcceptText = 8,
  kDropAcceptHtml,
  kDropAcceptUrl,
  kDropAcceptFiles,
};

enum DropTargetEvent : int32_t {
  kDropText = 0,
  kDropHtml = 1,
  kDropUrl = 2,
  kDropFiles = 3,
};

// Registers the unit's drop target on `target`. False when the unit already holds a window
// (registered or not: a failed registration keeps it until revokeWindow) or OLE refused.
bool registerWindow(UnitId window, UnitId unit, HWND target);
// Revokes the window the unit holds, if any; `target` is not looked at.
void revokeWindow(UnitId window, UnitId unit, HWND target);

// The unit's OLE drop target object (no reference added).
IDropTarget* dropTargetOf(UnitId window, UnitId unit);

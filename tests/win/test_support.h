#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "form/form_description.h"
#include "tests/support/temp_folder.h"
#include "ui/model/events.h"

// Events seen by the "record", "refuse" and "accept" handlers of the test forms.
struct RecordedEvent {
  UnitId window = 0;
  UnitId unit = 0;
  int32_t event = 0;
  std::vector<int32_t> args;
  std::string text;  // first typed text argument, if any
};
std::vector<RecordedEvent>& eventLog();
void clearEventLog();
// Events of one unit, as (event number) list, for table comparisons.
std::vector<int32_t> eventsOf(UnitId unit);

// Handlers "custom0" ... "custom9" call these.
void setCustomHandler(int slot, std::function<void(EventCall&)> fn);

// Decodes <assets>/<name>.bin with the test handler table and makes it the program's form.
// The description lives until the next call.
FormDescription& useTestForm(const char* name);

// Dispatches queued messages (through the loaded windows' pre-translation) for `ms`
// milliseconds, or until the queue is empty when ms is 0.
void pumpMessages(int ms = 0);

// The window of a loaded window and of one of its units; nullptr when not loaded. The window
// and menu test forms load their window as 0x52010001.
HWND windowHandle(UnitId window = 0x52010001);
HWND unitHandle(UnitId unit, UnitId window = 0x52010001);

// True when the tests run under Wine, whose controls and dialogs differ from Windows' in a
// few documented details.
bool underWine();

// The size in points, at 96 dpi, of the stock DEFAULT_GUI_FONT, which depends on the system's
// language: 8 points (-11 pixels) on English Windows, 9 points (-12) on Chinese Windows and in
// Wine. 0 for a height of no known system.
int defaultGuiFontPoints();

// True while `cursor` is a live cursor (or icon) handle.
bool isCursor(HCURSOR cursor);

// Fatal errors inside a test throw FatalErrorThrown instead of ending the process.
struct FatalErrorThrown {
  std::string message;
};

// Writes v into b[at] to b[at + 3], least significant byte first.
void put32le(std::vector<uint8_t>& b, size_t at, uint32_t v);

// A 24-bit bottom-up BMP file of width x height pixels, each pixel colour(x, y).
using Colours = std::function<COLORREF(int x, int y)>;
std::vector<uint8_t> bmpOf(int width, int height, const Colours& colour);

#include <string>

#include "app/handlers.h"
#include "app/main_window.h"
#include "ui/component_model.h"
#include "ui/long_work.h"

int32_t ctrlHeld = 0;

namespace {

// A new font makes the text box measure every line again, seconds for a long document: the
// user is told before, and the status goes back to what it said once the font is in place.
template <class Change>
void changeFont(Change change) {
  if (documentLength() < kLongDocumentBytes) return change();
  const std::string before = currentStatus();
  showStatus("正在调整字体…");
  {
    LongWork work;
    change();
  }
  showStatus(before.c_str());
}

void writeFont(int field, int32_t value) {
  changeFont([&] { writeProperty(MainWindow, InputBox, Font, field, value); });
}

}  // namespace

void onFontSizeClicked(int32_t size) { writeFont(FontSize, size); }

void onFontRegularClicked() {
  changeFont([] {
    writeProperty(MainWindow, InputBox, Font, FontBold, 0);
    writeProperty(MainWindow, InputBox, Font, FontItalic, 0);
  });
}

void onFontBoldClicked() { writeFont(FontBold, 1); }

void onFontItalicClicked() { writeFont(FontItalic, 1); }

void onBackgroundColourClicked(uint32_t colour) {
  writeProperty(MainWindow, InputBox, BackColor, colour);
}

void onTextColourClicked(uint32_t colour) {
  writeProperty(MainWindow, InputBox, TextColor, colour);
}

void onInputKeyDown(int32_t, int32_t) { ctrlHeld = 1; }

void onInputKeyUp(int32_t, int32_t) { ctrlHeld = 0; }

// The release of a key held when the focus left goes to another window: it must not leave the
// wheel zooming.
void onInputLostFocus() { ctrlHeld = 0; }

void onInputWheel(int32_t notches, int32_t) {
  if (ctrlHeld != 1) return;
  int32_t size = readProperty(MainWindow, InputBox, Font, FontSize).asInt();
  writeFont(FontSize, size + notches);
}

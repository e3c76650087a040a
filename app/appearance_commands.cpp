#include "app/handlers.h"
#include "app/main_window.h"
#include "ui/model/component_model.h"

int32_t ctrlHeld = 0;

void onFontSizeClicked(int32_t size) { writeProperty(MainWindow, InputBox, Font, FontSize, size); }

void onFontRegularClicked() {
  writeProperty(MainWindow, InputBox, Font, FontBold, 0);
  writeProperty(MainWindow, InputBox, Font, FontItalic, 0);
}

void onFontBoldClicked() { writeProperty(MainWindow, InputBox, Font, FontBold, 1); }

void onFontItalicClicked() { writeProperty(MainWindow, InputBox, Font, FontItalic, 1); }

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
  writeProperty(MainWindow, InputBox, Font, FontSize, size + notches);
}

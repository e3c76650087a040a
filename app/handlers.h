#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The application's state: 1 while the last key event InputBox received was a press and InputBox
// has kept the focus since.
extern int32_t ctrlHeld;

void showStatus(const char* message);
// The message the status bar shows.
const std::string& currentStatus();

// The length of InputBox's text, asked of the box itself.
size_t documentLength();
// From this length on, a font change keeps the text box busy long enough (half a second or
// more) that the user is told before it starts.
constexpr size_t kLongDocumentBytes = 512 * 1024;

void onMainWindowCreated();
void onMainWindowResized();
void onMainWindowDestroying();
void onMainWindowSessionEnding();
void onRecoveryTimerTick();

void onOpenFileClicked();
void onSaveFileClicked();
void onSaveToCurrentPathClicked();
void onFilesDropped(const char* name);
void onPathBoxChanged();
void onInputBoxChanged();

void onFontSizeClicked(int32_t size);
void onFontRegularClicked();
void onFontBoldClicked();
void onFontItalicClicked();
void onBackgroundColourClicked(uint32_t colour);
void onTextColourClicked(uint32_t colour);
void onInputKeyDown(int32_t key, int32_t modifiers);
void onInputKeyUp(int32_t key, int32_t modifiers);
void onInputWheel(int32_t notches, int32_t modifiers);
void onInputLostFocus();

void onProtectPathClicked();
void onUnprotectPathClicked();
void onHelpClicked();

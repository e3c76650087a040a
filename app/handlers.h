#pragma once
#include <cstdint>

// The application's state: 1 while the last key event InputBox received was a press and InputBox
// has kept the focus since.
extern int32_t ctrlHeld;

void showStatus(const char* message);

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

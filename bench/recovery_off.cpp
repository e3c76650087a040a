// Stands in for app/recovery.cpp in the build that keystroke_bench compares Quenlo with: the
// same program without the recovery file.
#include "app/handlers.h"
#include "app/recovery.h"

std::string startRecovery() { return ""; }
void noteTextChanged() {}
void noteTextInFile() {}
void endRecovery(bool) {}
void onRecoveryTimerTick() {}

#pragma once
#include <windows.h>

// Handles a queued message before dispatch (accelerators, the window's own keys, general
// events); true when it is handled and must not be dispatched.
bool preTranslate(MSG& msg);

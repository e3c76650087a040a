#pragma once
#include <functional>

// Runs the message loop while a loaded window exists.
void runMessageLoop();
// Runs a loop nested in the one outside while keepGoing() holds (a modal window); a WM_QUIT
// ends it and is posted again for the loop outside.
void runModalLoop(const std::function<bool()>& keepGoing);
// Dispatches every message already queued (through pre-translation), stopping at WM_QUIT.
void processPendingMessages();

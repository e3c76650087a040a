#pragma once
#include <span>

#include "ui/model/events.h"

// Starts the runtime, shows MainWindow and runs the message loop; the exit code is 0.
int programEntry();
// The handlers the form's bindings index, in the order of app/handlers.def.
std::span<const HandlerEntry> applicationHandlers();

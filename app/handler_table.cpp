#include "app/handlers.h"
#include "app/program_entry.h"

namespace {
const HandlerEntry kHandlers[] = {
#define HANDLER(name, call) {name, [](EventCall& e) { call; }},
#include "app/handlers.def"
#undef HANDLER
};
}  // namespace

std::span<const HandlerEntry> applicationHandlers() { return kHandlers; }

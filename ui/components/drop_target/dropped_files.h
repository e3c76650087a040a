#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A dropped file list (CF_HDROP) as a drag source hands it over: a 20-byte header (the offset
// of the names from the start of the block, the drop point, a non-client flag, a wide flag),
// then the names, each ending with a zero character, and an empty name that ends the list.
// Names are ANSI bytes, or UTF-16 when the wide flag is set. The block comes from another
// program, so nothing in it is trusted. Nothing here needs a window system.

// One name of a wide list in the program's ANSI code page.
using WideNameToAnsi = std::string (*)(std::u16string_view name);

// The files event's text, read within the block in one pass: a single name as it is, several
// names each followed by CR LF, no names the empty text. nullopt when the block is malformed
// (shorter than its header, names starting outside it, a list that reaches the end of the
// block before its empty name) or too large to copy.
std::optional<std::string> droppedFilesText(std::span<const uint8_t> block, WideNameToAnsi toAnsi);

#pragma once
#include <cstdint>
#include <optional>

// Whether the program has the memory to open a file whole, asked before anything is replaced.

// The size of a file in bytes; nothing when it cannot be asked (missing, no access).
std::optional<uint64_t> fileSize(const char* fileName);

// The memory an open of a file of `fileBytes` needs at its peak while the document of
// `documentBytes` is kept to go back to: the file's bytes, which become the text, the
// conversions of a Unicode file, and the text box's copy with its line structures.
uint64_t memoryToOpen(uint64_t fileBytes, uint64_t documentBytes);

// True when that memory is there: as much free address space and commit, and the largest
// blocks each in one piece of the address space at once. Files of 2 GiB or more are never
// read. A limit set for tests (the environment variable QUENLO_TEST_OPEN_LIMIT, in bytes of
// file) refuses larger files.
bool roomToOpen(uint64_t fileBytes, uint64_t documentBytes);

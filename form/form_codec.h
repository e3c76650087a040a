#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "form/form_description.h"

// The binary form description embedded in the program. Integers are 32-bit little-endian;
// every read is bounds-checked, so a malformed block only makes decodeForm return false.
// Strings and byte buffers carry a signed 32-bit count: a count of 0 or less is the empty
// string or the empty buffer. The records of a window's units never overlap.
//
// Handler references are indices into the application's handler table; kNoHandler means
// none, and any other value at or past handlerCount makes the block invalid.
bool decodeForm(const uint8_t* data, size_t size, uint32_t handlerCount, FormDescription& out);

// The exact inverse of decodeForm.
std::vector<uint8_t> encodeForm(const FormDescription& form);

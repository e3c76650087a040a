#pragma once
#include <initializer_list>

#include "runtime/byte_buffer.h"

// Whole-file reads and writes of raw bytes; names resolve against the current directory.
// Failures show nothing: readFileBytes gives the empty buffer, writeFileBytes false.
ByteBuffer readFileBytes(const char* fileName);
// The same read, telling a file that could not be read (false) from an empty one (true with
// an empty buffer).
bool tryReadFileBytes(const char* fileName, ByteBuffer& out);

// Replaces the file with the buffers' bytes, one after the other. The old content survives
// any failure: the bytes go to a temporary file in the same folder, which replaces the
// target only once everything is written and flushed.
bool writeFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers);
inline bool writeFileBytes(const char* fileName, const ByteBuffer& buffer) {
  return writeFileBytes(fileName, {&buffer});
}

#pragma once
#include <initializer_list>

#include "runtime/byte_buffer.h"

// Whole-file reads and writes of raw bytes; names resolve against the current directory.
// Failures show nothing: readFileBytes gives the empty buffer, writeFileBytes false.
ByteBuffer readFileBytes(const char* fileName);
// The same read, telling a file that could not be read (false) from an empty one (true with
// an empty buffer).
bool tryReadFileBytes(const char* fileName, ByteBuffer& out);

// Replaces the file's content with the buffers' bytes, one after the other; only the content
// changes. The old content survives any failure: the bytes go to a temporary file in the same
// folder, which replaces the target only once everything is written and flushed. Through a
// link, the file the link leads to is written and the link stays. A file with several names,
// or whose owner or access list differ from what a new file there gets, is written in place, with
// its old bytes kept in a copy beside it until the new ones are flushed.
bool writeFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers);
inline bool writeFileBytes(const char* fileName, const ByteBuffer& buffer) {
  return writeFileBytes(fileName, {&buffer});
}

// Before `next` is written to `fileName`: when the file holds other bytes than `next`, it is
// renamed to `previousName` (replacing a file of that name), so one earlier version survives.
// False when a differing file could not be kept.
bool keepPreviousVersion(const char* fileName, const char* previousName, const ByteBuffer& next);

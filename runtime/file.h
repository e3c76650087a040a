#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/byte_buffer.h"

// Whole-file reads and writes of raw bytes; names resolve against the current directory.
// Failures show nothing: readFileBytes gives the empty buffer, writeFileBytes false.
ByteBuffer readFileBytes(const char* fileName);
// The same read, telling a file that could not be read (false) from an empty one (true with
// an empty buffer).
bool tryReadFileBytes(const char* fileName, ByteBuffer& out);

// Replaces the file's content with the buffers' bytes, one after the other; only the content
// changes, and the file holds its old bytes or the new ones whole, even after a kill. Through a
// link, the file the link leads to is written (and made, when the link leads nowhere yet) and
// the link stays. The new bytes go to a temporary file in the same folder, which takes the
// file's place once they are all written and flushed, where that keeps the file's identity and
// permissions: a new file, or one with a single name whose owner and access list are those a
// new file there gets (known only outside Wine, which shows no Unix mode). Any other file is
// written in place, its old bytes kept in a journal beside it until the new ones are flushed.
// A journal that a process which no longer runs left for the file is settled first.
bool writeFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers);
inline bool writeFileBytes(const char* fileName, const ByteBuffer& buffer) {
  return writeFileBytes(fileName, {&buffer});
}

struct SaveOutcome {
  bool written = false;
  // When a failed write could not put the old bytes back: the journal that holds them.
  std::string oldBytesIn;
};
SaveOutcome saveFileBytes(const char* fileName, std::initializer_list<const ByteBuffer*> buffers);

// For the program's own files: always a temporary file renamed over the target, never in place,
// whatever the target's links and permissions. Safe from any thread.
bool writeFileBytesByRename(const char* fileName, std::initializer_list<const ByteBuffer*> buffers);
inline bool writeFileBytesByRename(const char* fileName, const ByteBuffer& buffer) {
  return writeFileBytesByRename(fileName, {&buffer});
}

// Before `next` is written to `fileName`: when the file holds other bytes than `next`, it is
// renamed to `previousName` (replacing a file of that name), so one earlier version survives.
// False when a differing file could not be kept: the file or `previousName` is a folder,
// `previousName` is read-only, or the rename failed.
bool keepPreviousVersion(const char* fileName, const char* previousName, const ByteBuffer& next);

// The folder part of a path, with its last separator ("" for a bare name). Trail bytes of
// double-byte characters are never taken for separators.
std::string folderOf(const std::string& path);

// Whether two names lead to one file (for missing files: to one place).
bool sameFile(const char* a, const char* b);

// What became of a write that a process which no longer runs left unfinished.
struct InterruptedWrite {
  enum Outcome { kFinished, kUndone, kNotUndone } outcome;
  std::string file;
  std::string oldBytesIn;  // kNotUndone: the journal that still holds the old bytes
};
// Settles what processes that no longer run left in `folder` ("" for the current one): a
// journal's file gets its new bytes or its old ones back, whole, and the journal goes;
// temporary files go. Files of processes that still run are not touched.
std::vector<InterruptedWrite> finishInterruptedWrites(const std::string& folder);
// The same for one file's journals and temporary files only.
std::vector<InterruptedWrite> finishInterruptedWritesOf(const char* fileName);

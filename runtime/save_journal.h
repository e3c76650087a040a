#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A file written in place keeps a journal beside it while the new bytes go in: a copy of its
// old bytes followed by a trailer that describes them and the bytes the write is to leave. The
// file is touched only once the whole journal is on the disk, and the journal goes only once
// the new bytes are, so a journal left by a killed process tells a later one what to do.
namespace save_journal {

struct Trailer {
  uint64_t oldSize = 0;
  uint64_t oldHash = 0;
  uint64_t newSize = 0;
  uint64_t newHash = 0;
  // The identity of the file written: a file put in its place since then is another file.
  uint32_t volume = 0;
  uint64_t fileIndex = 0;
};

inline constexpr size_t kTrailerSize = 64;
std::array<uint8_t, kTrailerSize> encodeTrailer(const Trailer& trailer);
// The trailer held by the journal's last kTrailerSize bytes; none when they are not a whole one.
std::optional<Trailer> decodeTrailer(std::span<const uint8_t> bytes);

// A running 64-bit FNV-1a hash of a content given in pieces.
class ContentHash {
 public:
  void add(std::span<const uint8_t> bytes);
  uint64_t value() const { return hash_; }

 private:
  uint64_t hash_ = 14695981039346656037ull;
};

// What a journal holds and how its file looks now.
enum class FileState {
  kMissing,
  kLocked,  // there, but it cannot be opened to be read and written now
  kPresent,
};
struct Found {
  std::optional<Trailer> trailer;
  uint64_t journalSize = 0;
  uint64_t copiedHash = 0;  // of the journal's bytes before the trailer
  FileState file = FileState::kMissing;
  bool sameFile = false;  // the file still has the identity the trailer names
  uint64_t fileSize = 0;
  uint64_t fileHash = 0;
};

enum class Decision {
  kDiscard,    // the write never began, or the file is gone or another one: drop the journal
  kKeep,       // the file cannot be looked at now: the journal stays
  kFinished,   // the file holds the new bytes whole
  kUntouched,  // the file still holds the old bytes whole
  kUndo,       // the file holds a mix: the old bytes go back before the journal goes
};
Decision decide(const Found& found);

// Files a write leaves beside its target while it runs, named after the target and the process:
// "<file>.~tmp<pid>-<n>" holds a new content not yet in place, "<file>.~old<pid>-<n>" a journal.
enum class Leftover { kTemporary, kJournal };
std::string leftoverName(std::string_view file, Leftover kind, uint32_t pid, uint32_t serial);
struct ParsedLeftover {
  Leftover kind;
  std::string file;
  uint32_t pid;
};
std::optional<ParsedLeftover> parseLeftoverName(std::string_view name);

}  // namespace save_journal

#include "runtime/save_journal.h"

#include <cstring>

namespace save_journal {
namespace {

constexpr uint8_t kMagic[8] = {'Q', 'J', 'O', 'U', 'R', 'N', 'L', '1'};

void put(uint8_t* at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t get(const uint8_t* at, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(at[i]) << (8 * i);
  return value;
}

// Layout: magic, four sizes and hashes, volume, file index, then the hash of all before it.
constexpr size_t kChecked = kTrailerSize - 8;

uint64_t hashOf(std::span<const uint8_t> bytes) {
  ContentHash hash;
  hash.add(bytes);
  return hash.value();
}

constexpr std::string_view kTemporaryMark = ".~tmp";
constexpr std::string_view kJournalMark = ".~old";

bool parseNumber(std::string_view digits, uint32_t& out) {
  if (digits.empty() || digits.size() > 10) return false;
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

std::array<uint8_t, kTrailerSize> encodeTrailer(const Trailer& t) {
  std::array<uint8_t, kTrailerSize> out{};
  std::memcpy(out.data(), kMagic, sizeof kMagic);
  put(&out[8], t.oldSize, 8);
  put(&out[16], t.oldHash, 8);
  put(&out[24], t.newSize, 8);
  put(&out[32], t.newHash, 8);
  put(&out[40], t.volume, 4);
  put(&out[44], t.fileIndex, 8);
  put(&out[kChecked], hashOf({out.data(), kChecked}), 8);
  return out;
}

std::optional<Trailer> decodeTrailer(std::span<const uint8_t> bytes) {
  if (bytes.size() != kTrailerSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
      get(&bytes[kChecked], 8) != hashOf(bytes.first(kChecked)) || get(&bytes[52], 4) != 0)
    return std::nullopt;
  Trailer t;
  t.oldSize = get(&bytes[8], 8);
  t.oldHash = get(&bytes[16], 8);
  t.newSize = get(&bytes[24], 8);
  t.newHash = get(&bytes[32], 8);
  t.volume = static_cast<uint32_t>(get(&bytes[40], 4));
  t.fileIndex = get(&bytes[44], 8);
  return t;
}

void ContentHash::add(std::span<const uint8_t> bytes) {
  uint64_t hash = hash_;
  for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  hash_ = hash;
}

Decision decide(const Found& f) {
  // A journal cut short was still being written: its file had not been touched yet.
  if (!f.trailer || f.journalSize != f.trailer->oldSize + kTrailerSize ||
      f.copiedHash != f.trailer->oldHash)
    return Decision::kDiscard;
  if (f.file == FileState::kLocked) return Decision::kKeep;
  if (f.file == FileState::kMissing || !f.sameFile) return Decision::kDiscard;
  if (f.fileSize == f.trailer->newSize && f.fileHash == f.trailer->newHash)
    return Decision::kFinished;
  if (f.fileSize == f.trailer->oldSize && f.fileHash == f.trailer->oldHash)
    return Decision::kUntouched;
  return Decision::kUndo;
}

std::string leftoverName(std::string_view file, Leftover kind, uint32_t pid, uint32_t serial) {
  std::string name(file);
  name += kind == Leftover::kJournal ? kJournalMark : kTemporaryMark;
  name += std::to_string(pid) + "-" + std::to_string(serial);
  return name;
}

std::optional<ParsedLeftover> parseLeftoverName(std::string_view name) {
  for (Leftover kind : {Leftover::kTemporary, Leftover::kJournal}) {
    const std::string_view mark = kind == Leftover::kJournal ? kJournalMark : kTemporaryMark;
    const size_t at = name.rfind(mark);
    if (at == std::string_view::npos || at == 0) continue;
    const std::string_view rest = name.substr(at + mark.size());
    const size_t dash = rest.find('-');
    uint32_t pid = 0, serial = 0;
    if (dash == std::string_view::npos || !parseNumber(rest.substr(0, dash), pid) ||
        !parseNumber(rest.substr(dash + 1), serial))
      continue;
    return ParsedLeftover{kind, std::string(name.substr(0, at)), pid};
  }
  return std::nullopt;
}

}  // namespace save_journal

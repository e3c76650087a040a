#include "runtime/save_journal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace save_journal;

constexpr Trailer kTrailer{100, 0x1111, 80, 0x2222, 7, 0x123456789};

Found found(FileState file, bool same, uint64_t size, uint64_t hash) {
  Found f;
  f.trailer = kTrailer;
  f.journalSize = kTrailer.oldSize + kTrailerSize;
  f.copiedHash = kTrailer.oldHash;
  f.file = file;
  f.sameFile = same;
  f.fileSize = size;
  f.fileHash = hash;
  return f;
}

TEST(SaveJournal, ATrailerDecodesOnlyWhole) {
  const auto bytes = encodeTrailer(kTrailer);
  const std::optional<Trailer> back = decodeTrailer(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(encodeTrailer(*back), bytes);

  // A write cut short leaves zeros or old bytes; any changed byte makes it no trailer.
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto damaged = bytes;
    damaged[i] ^= 0x01;
    EXPECT_FALSE(decodeTrailer(damaged)) << "byte " << i;
  }
  EXPECT_FALSE(decodeTrailer(std::span(bytes).first(kTrailerSize - 1)));
}

struct DecisionCase {
  const char* what;
  Found found;
  Decision decision;
};

Found cutShort() {
  Found f = found(FileState::kPresent, true, 55, 0x9999);
  f.journalSize -= 1;
  return f;
}
Found copyDamaged() {
  Found f = found(FileState::kPresent, true, 55, 0x9999);
  f.copiedHash ^= 1;
  return f;
}
Found noTrailer() {
  Found f = found(FileState::kLocked, true, 55, 0x9999);
  f.trailer.reset();
  return f;
}

TEST(SaveJournal, WhatALeftJournalMeans) {
  const DecisionCase cases[] = {
      {"new bytes whole", found(FileState::kPresent, true, 80, 0x2222), Decision::kFinished},
      {"old bytes whole", found(FileState::kPresent, true, 100, 0x1111), Decision::kUntouched},
      {"a mix of the two", found(FileState::kPresent, true, 100, 0x3333), Decision::kUndo},
      {"the new size with other bytes", found(FileState::kPresent, true, 80, 0x1111),
       Decision::kUndo},
      {"the file is another one now", found(FileState::kPresent, false, 80, 0x2222),
       Decision::kDiscard},
      {"the file is gone", found(FileState::kMissing, false, 0, 0), Decision::kDiscard},
      {"the file cannot be looked at", found(FileState::kLocked, false, 0, 0), Decision::kKeep},
      {"the journal is cut short", cutShort(), Decision::kDiscard},
      {"the copy in the journal is damaged", copyDamaged(), Decision::kDiscard},
      {"the journal has no trailer, file locked", noTrailer(), Decision::kDiscard},
  };
  for (const DecisionCase& c : cases) EXPECT_EQ(decide(c.found), c.decision) << c.what;
}

TEST(SaveJournal, LeftoverNamesTellTheirFileAndProcess) {
  EXPECT_EQ(leftoverName("C:\\a\\b.txt", Leftover::kJournal, 1234, 5), "C:\\a\\b.txt.~old1234-5");
  EXPECT_EQ(leftoverName("b.txt", Leftover::kTemporary, 0, 0), "b.txt.~tmp0-0");

  struct NameCase {
    const char* name;
    bool parsed;
    Leftover kind;
    const char* file;
    uint32_t pid;
  };
  const NameCase cases[] = {
      {"b.txt.~old1234-5", true, Leftover::kJournal, "b.txt", 1234},
      {"b.txt.~tmp4294967295-1", true, Leftover::kTemporary, "b.txt", 4294967295u},
      {"x.~tmp1-2.~old3-4", true, Leftover::kJournal, "x.~tmp1-2", 3},
      {"b.txt.~old4294967296-1", false},
      {"b.txt.~old12-", false},
      {"b.txt.~old12-3x", false},
      {".~old12-3", false},
      {"b.txt", false},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<ParsedLeftover> p = parseLeftoverName(c.name);
    ASSERT_EQ(p.has_value(), c.parsed);
    if (!p) continue;
    EXPECT_EQ(p->kind, c.kind);
    EXPECT_EQ(p->file, c.file);
    EXPECT_EQ(p->pid, c.pid);
  }
}

}  // namespace

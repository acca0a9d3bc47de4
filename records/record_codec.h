// The two records a journal's move leaves beside its table, "<file>.commit"
// (the exact bytes to write and where) and "<file>.base" (what the table's end
// looked like, and the rows placed), and what a commit's state is, read from
// the table's last bytes. Pure functions over bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/durable_file.h"

namespace voltaris {

std::string EncodeCommit(uint64_t at, const std::string& payload);
bool DecodeCommit(const std::string& text, uint64_t& at, std::string& payload);

// Beside the commit record, and in a file of its own so that an earlier
// version still reads the record: the commit's place, length and
// fingerprint, then the table from the start of the line before the place
// to its end as it was, then the rows placed.
std::string EncodeBase(uint64_t at, const std::string& payload, uint64_t tailAt, const std::string& tail,
                       const std::string& rows);
// False for another commit's base, or one damaged.
bool DecodeBase(const std::string& text, uint64_t at, const std::string& payload, uint64_t& tailAt,
                std::string& tail, std::string& rows);

// A commit record and, when this version made it, its base.
struct PendingCommit {
  uint64_t at = 0;
  std::string payload;
  bool hasBase = false;
  uint64_t tailAt = 0;  // from the base: the table's end as it was
  std::string tail;
  std::string rows;  // what was placed (for the daily table: counts to add)
};

enum class CommitState {
  NotBegun,   // the table ends as recorded
  Begun,      // the bytes were written there, in whole or in part
  Overtaken,  // another program saved the table since
};

// How many of the table's last bytes tell the commit's state (0: its size alone).
size_t CommitStateBytes(const PendingCommit& commit);
// The commit's state from the table's last CommitStateBytes bytes (nothing:
// no table).
CommitState StateOfCommit(const PendingCommit& commit, const std::optional<FileTail>& now);

// Each byte from the place on is the one that was there or the one the
// commit writes: its write, perhaps cut short, over what was there.
bool WrittenOver(std::string_view now, std::string_view was, std::string_view written);

}  // namespace voltaris

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "records/record_codec.h"

using namespace voltaris;

// The records a journal's move leaves beside its table, on plain strings:
// each reads back, and one longer or shorter than it says, or a base made
// with another commit of the same place and length, does not.
TEST(RecordCodec, TheCommitAndItsBaseReadBackOnlyWholeAndTogether) {
  uint64_t at = 0;
  std::string payload;
  const std::string commit = EncodeCommit(12, "row\r\n");
  ASSERT_TRUE(DecodeCommit(commit, at, payload));
  EXPECT_EQ(at, 12u);
  EXPECT_EQ(payload, "row\r\n");
  EXPECT_FALSE(DecodeCommit(commit + "x", at, payload));
  EXPECT_FALSE(DecodeCommit(commit.substr(0, commit.size() - 1), at, payload));

  uint64_t tailAt = 9;
  std::string tail, rows;
  const std::string base = EncodeBase(20, "abc\r\n", 14, "older\r\n", "r\r\n");
  ASSERT_TRUE(DecodeBase(base, 20, "abc\r\n", tailAt, tail, rows));
  EXPECT_EQ(tailAt, 14u);
  EXPECT_EQ(tail, "older\r\n");
  EXPECT_EQ(rows, "r\r\n");
  EXPECT_FALSE(DecodeBase(base, 20, "abd\r\n", tailAt, tail, rows));
  // A table's first bytes: no line before the place.
  ASSERT_TRUE(DecodeBase(EncodeBase(0, "event\r\n", 0, "", "r\r\n"), 0, "event\r\n", tailAt, tail, rows));
  EXPECT_EQ(tailAt, 0u);
  EXPECT_EQ(tail, "");
}

// An earlier version's commit record (no base) is begun once the table
// reaches past its place.
TEST(RecordCodec, AnEarlierVersionsCommitIsBegunOnceTheTableReachesPastItsPlace) {
  PendingCommit commit;
  commit.at = 10;
  commit.payload = "row\r\n";
  EXPECT_EQ(CommitStateBytes(commit), 0u);  // the table's size tells
  EXPECT_EQ(StateOfCommit(commit, std::nullopt), CommitState::NotBegun);
  EXPECT_EQ(StateOfCommit(commit, FileTail{"", 10}), CommitState::NotBegun);
  EXPECT_EQ(StateOfCommit(commit, FileTail{"", 11}), CommitState::Begun);
}

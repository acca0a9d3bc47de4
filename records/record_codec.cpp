#include "records/record_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace voltaris {
namespace {

constexpr char kCommitTag[] = "voltaris-commit";
constexpr char kBaseTag[] = "voltaris-base";

// A record's first line: its tag and numbers, then CRLF.
std::string RecordHead(const char* tag, std::initializer_list<uint64_t> numbers) {
  std::string head = tag;
  for (uint64_t n : numbers) head += " " + std::to_string(n);
  return head + "\r\n";
}

// Reads the numbers of a record's first line; where what follows begins.
template <size_t N>
bool ReadHead(const std::string& text, const char* tag, uint64_t (&numbers)[N], size_t& bodyAt) {
  const size_t eol = text.find("\r\n");
  const size_t tagLength = std::strlen(tag);
  if (eol == std::string::npos || text.compare(0, tagLength, tag) != 0) return false;
  const char* p = text.c_str() + tagLength;
  for (uint64_t& n : numbers) {
    char* end = nullptr;
    n = std::strtoull(p, &end, 10);
    if (end == p) return false;
    p = end;
  }
  bodyAt = eol + 2;
  return p == text.c_str() + eol;
}

// Ties a base to the one commit record it was made with (FNV-1a).
uint64_t Fingerprint(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

}  // namespace

std::string EncodeCommit(uint64_t at, const std::string& payload) {
  return RecordHead(kCommitTag, {at, payload.size()}) + payload;
}

bool DecodeCommit(const std::string& text, uint64_t& at, std::string& payload) {
  uint64_t numbers[2];
  size_t bodyAt = 0;
  if (!ReadHead(text, kCommitTag, numbers, bodyAt)) return false;
  at = numbers[0];
  payload = text.substr(bodyAt);
  return payload.size() == numbers[1];
}

std::string EncodeBase(uint64_t at, const std::string& payload, uint64_t tailAt, const std::string& tail,
                       const std::string& rows) {
  return RecordHead(kBaseTag, {at, payload.size(), Fingerprint(payload), tailAt, tail.size()}) + tail + rows;
}

bool DecodeBase(const std::string& text, uint64_t at, const std::string& payload, uint64_t& tailAt,
                std::string& tail, std::string& rows) {
  uint64_t n[5];
  size_t bodyAt = 0;
  if (!ReadHead(text, kBaseTag, n, bodyAt)) return false;
  const uint64_t tailLength = n[4];
  tailAt = n[3];
  if (n[0] != at || n[1] != payload.size() || n[2] != Fingerprint(payload)) return false;  // another commit's
  if (tailAt > at || at - tailAt > tailLength || tailLength > text.size() - bodyAt) return false;
  tail = text.substr(bodyAt, tailLength);
  rows = text.substr(bodyAt + tailLength);
  return true;
}

// A write of ours leaves no more after the place than the longer of the two.
size_t CommitStateBytes(const PendingCommit& commit) {
  if (!commit.hasBase) return 0;
  const size_t lineBefore = static_cast<size_t>(commit.at - commit.tailAt);
  return lineBefore + std::max(commit.tail.size() - lineBefore, commit.payload.size());
}

// Whether the table still ends as the base recorded, with the commit's bytes
// written over that end in whole or in part, or was saved by another program
// since: then its last line before the place is not there, or something
// other than the old or the new bytes follows it.
CommitState StateOfCommit(const PendingCommit& commit, const std::optional<FileTail>& now) {
  if (!commit.hasBase) {
    // An earlier version's record: begun once the table reaches past its place.
    return now && now->offset > commit.at ? CommitState::Begun : CommitState::NotBegun;
  }
  const size_t lineBefore = static_cast<size_t>(commit.at - commit.tailAt);
  const std::string_view recorded(commit.tail);
  const std::string_view was = recorded.substr(lineBefore);
  const uint64_t from = now ? now->offset : 0;
  const std::string_view bytes = now ? std::string_view(now->bytes) : std::string_view();
  if (from > commit.tailAt || from + bytes.size() < commit.at) return CommitState::Overtaken;
  const std::string_view seen = bytes.substr(static_cast<size_t>(commit.tailAt - from));
  if (seen.substr(0, lineBefore) != recorded.substr(0, lineBefore)) return CommitState::Overtaken;
  const std::string_view after = seen.substr(lineBefore);
  if (after == was) return CommitState::NotBegun;
  if (WrittenOver(after, was, commit.payload)) return CommitState::Begun;
  return CommitState::Overtaken;
}

bool WrittenOver(std::string_view now, std::string_view was, std::string_view written) {
  if (now.size() < std::min(was.size(), written.size())) return false;
  for (size_t i = 0; i < now.size(); ++i) {
    const bool old = i < was.size() && now[i] == was[i];
    const bool ours = i < written.size() && now[i] == written[i];
    if (!old && !ours) return false;
  }
  return true;
}

}  // namespace voltaris

// Whole-file reads and crash-safe whole-file replacement, the two things the
// settings file and the record store need from the file system. One portable
// interface; durable_file_posix.cpp and durable_file_win.cpp implement it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace voltaris {

struct FileError {
  int code = 0;         // errno or GetLastError(); 0 when all went well
  std::string message;  // what failed, for the user
  explicit operator bool() const { return code != 0; }
};

// The file's bytes; nothing when it does not exist (error left clear) or
// cannot be read (error set).
std::optional<std::string> ReadWholeFile(const std::string& path, FileError* error = nullptr);

// Writes `content` to a temporary file beside `path`, flushes it to the disk
// and renames it over `path`, so a reader (in any thread or process) sees
// either the old file or the new one, and a crash leaves one of the two.
FileError ReplaceFileAtomically(const std::string& path, const std::string& content);

// Appends `bytes` with one write and flushes them to the disk before
// returning. A file that does not exist yet is created holding `header`
// first. A file whose last line was torn (no line end: a crash mid-write) is
// terminated before the new bytes go in.
FileError AppendDurably(const std::string& path, const std::string& header, const std::string& bytes);

// The last `maxBytes` of the file (all of it when shorter) and where they
// start; nothing when the file does not exist.
struct FileTail {
  std::string bytes;
  uint64_t offset = 0;
};
std::optional<FileTail> ReadFileTail(const std::string& path, size_t maxBytes, FileError* error = nullptr);

// Writes `bytes` at `offset` (overwriting, extending the file if they reach
// past its end) with one write, and flushes them to the disk.
FileError WriteAtDurably(const std::string& path, uint64_t offset, const std::string& bytes);

// Hands the file to `onChunk` in pieces, in order; nothing when the file does
// not exist (error left clear).
bool StreamFile(const std::string& path, const std::function<void(const char*, size_t)>& onChunk,
                FileError* error = nullptr);

}  // namespace voltaris

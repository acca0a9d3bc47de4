// Whole-file reads and crash-safe whole-file replacement, the two things the
// settings file and the record store need from the file system. One portable
// interface; durable_file_posix.cpp and durable_file_win.cpp implement it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace voltaris {

// What went wrong: the system refused (its code kept), or one of the cases
// the program finds itself and names.
enum class FileErrorKind {
  None,      // all went well
  System,    // the system's refusal, in `code`
  NotFound,  // what was asked for is not there
  Full,      // no room left for what was to be kept
  Changing,  // another program changed the file meanwhile: try again later
};

struct FileError {
  FileError() = default;
  // The system's refusal: errno or GetLastError(), 0 when all went well.
  FileError(int systemCode, std::string what)
      : kind(systemCode ? FileErrorKind::System : FileErrorKind::None), code(systemCode), message(std::move(what)) {}
  FileError(FileErrorKind errorKind, std::string what) : kind(errorKind), message(std::move(what)) {}

  FileErrorKind kind = FileErrorKind::None;
  int code = 0;         // the system's code, when it reported one
  std::string message;  // what failed, for the user
  explicit operator bool() const { return kind != FileErrorKind::None; }
};

// The file's bytes; nothing when it does not exist (error left clear) or
// cannot be read (error set).
std::optional<std::string> ReadWholeFile(const std::string& path, FileError* error = nullptr);

// Writes `content` to a temporary file beside `path`, flushes it to the disk
// and renames it over `path`, so a reader (in any thread or process) sees
// either the old file or the new one, and a crash leaves one of the two.
FileError ReplaceFileAtomically(const std::string& path, const std::string& content);

// Appends `bytes` with one write, creating the file when it does not exist,
// and flushes them to the disk before returning.
FileError AppendToFile(const std::string& path, const std::string& bytes);

// The last `maxBytes` of the file (all of it when shorter) and where they
// start; nothing when the file does not exist.
struct FileTail {
  std::string bytes;
  uint64_t offset = 0;
};
std::optional<FileTail> ReadFileTail(const std::string& path, size_t maxBytes, FileError* error = nullptr);

// Writes `bytes` at `offset` with one write, ends the file right after them
// and flushes it to the disk; creates the file when it does not exist.
FileError WriteAtAndEnd(const std::string& path, uint64_t offset, const std::string& bytes);

// Renames `from` over `to` in one step (replacing `to`), flushed to the disk.
FileError RenameFile(const std::string& from, const std::string& to);

// Removes the file; one that does not exist is no failure.
FileError RemoveFile(const std::string& path);

bool FileExists(const std::string& path);

// What a write changes: the size and the last-write time. One path with the
// same stamp twice was not written in between, unless the write came within
// the file system's clock step of the first look: a stamp is `settled` only
// once its last write is a few seconds old, and only a settled stamp may
// stand for the bytes read with it.
struct FileStamp {
  uint64_t size = 0;
  uint64_t writtenAt = 0;  // in the platform's own units
  bool settled = false;
  bool SameWrite(const FileStamp& other) const { return size == other.size && writtenAt == other.writtenAt; }
};
constexpr int kFileStampSettleSeconds = 2;
// Nothing when the file does not exist or cannot be looked at.
std::optional<FileStamp> StampOfFile(const std::string& path);

// `path` ("" for the current folder) as a full path, a relative one taken
// from the current folder as it is now; unchanged when that cannot be found.
std::string FullPath(const std::string& path);

// Hands the file to `onChunk` in pieces, in order; nothing when the file does
// not exist (error left clear).
bool StreamFile(const std::string& path, const std::function<void(const char*, size_t)>& onChunk,
                FileError* error = nullptr);

}  // namespace voltaris

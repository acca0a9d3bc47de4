// Whole-file reads and crash-safe whole-file replacement, the two things the
// settings file and the record store need from the file system. One portable
// interface; durable_file_posix.cpp and durable_file_win.cpp implement it.
#pragma once

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

}  // namespace voltaris

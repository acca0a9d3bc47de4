// The file operations the record store is built from, behind an interface:
// the program uses the disk, the tests a file system in memory that can be
// made to fail, or to stop dead, at any chosen call.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/durable_file.h"

namespace voltaris {

class FileSystem {
 public:
  using ChunkHandler = std::function<void(const char*, size_t)>;
  virtual ~FileSystem() = default;

  // Reads: a file that does not exist gives nothing, with the error clear.
  virtual std::optional<FileTail> ReadTail(const std::string& path, size_t maxBytes, FileError* error) = 0;
  virtual bool Stream(const std::string& path, const ChunkHandler& onChunk, FileError* error) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // `path` as a full path, a relative one taken from the current folder now.
  virtual std::string FullPath(const std::string& path) = 0;
  std::optional<std::string> ReadWhole(const std::string& path, FileError* error);

  // Writes: each one is on the disk when it returns.
  virtual FileError Append(const std::string& path, const std::string& bytes) = 0;
  virtual FileError WriteAtAndEnd(const std::string& path, uint64_t offset, const std::string& bytes) = 0;
  virtual FileError Replace(const std::string& path, const std::string& content) = 0;
  virtual FileError Rename(const std::string& from, const std::string& to) = 0;
  virtual FileError Remove(const std::string& path) = 0;
};

class DiskFileSystem : public FileSystem {
 public:
  std::optional<FileTail> ReadTail(const std::string& path, size_t maxBytes, FileError* error) override {
    return ReadFileTail(path, maxBytes, error);
  }
  bool Stream(const std::string& path, const ChunkHandler& onChunk, FileError* error) override {
    return StreamFile(path, onChunk, error);
  }
  bool Exists(const std::string& path) override { return FileExists(path); }
  std::string FullPath(const std::string& path) override { return voltaris::FullPath(path); }
  FileError Append(const std::string& path, const std::string& bytes) override { return AppendToFile(path, bytes); }
  FileError WriteAtAndEnd(const std::string& path, uint64_t offset, const std::string& bytes) override {
    return voltaris::WriteAtAndEnd(path, offset, bytes);
  }
  FileError Replace(const std::string& path, const std::string& content) override {
    return ReplaceFileAtomically(path, content);
  }
  FileError Rename(const std::string& from, const std::string& to) override { return RenameFile(from, to); }
  FileError Remove(const std::string& path) override { return RemoveFile(path); }

  // The one the program uses.
  static DiskFileSystem& Instance();
};

}  // namespace voltaris

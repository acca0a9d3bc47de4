#include "base/durable_file.h"

#include "base/file_system.h"

namespace voltaris {

std::optional<std::string> ReadWholeFile(const std::string& path, FileError* error) {
  return DiskFileSystem::Instance().ReadWhole(path, error);
}

std::optional<std::string> FileSystem::ReadWhole(const std::string& path, FileError* error) {
  std::string content;
  FileError failure;
  if (!Stream(path, [&content](const char* bytes, size_t n) { content.append(bytes, n); }, &failure)) {
    if (error) *error = failure;
    return std::nullopt;
  }
  return content;
}

DiskFileSystem& DiskFileSystem::Instance() {
  static DiskFileSystem disk;
  return disk;
}

}  // namespace voltaris

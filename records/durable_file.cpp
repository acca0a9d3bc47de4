#include "records/durable_file.h"

namespace voltaris {

std::optional<std::string> ReadWholeFile(const std::string& path, FileError* error) {
  std::string content;
  FileError failure;
  if (!StreamFile(path, [&content](const char* bytes, size_t n) { content.append(bytes, n); }, &failure)) {
    if (error) *error = failure;
    return std::nullopt;
  }
  return content;
}

}  // namespace voltaris

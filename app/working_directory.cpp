#include "app/working_directory.h"

#include <algorithm>
#include <cctype>

namespace voltaris {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

}  // namespace

std::string WorkingDirectoryFromRunKey(const std::string& runValue, const std::string& exeName,
                                       const std::string& exeDirectory) {
  // Installers often quote the path; the separator must stand right before the name.
  std::string path = runValue;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  const std::string withSeparator = "\\" + exeName;
  if (exeName.empty() || !EndsWithNoCase(path, withSeparator) || path.size() == withSeparator.size()) {
    return exeDirectory;
  }
  return path.substr(0, path.size() - withSeparator.size());
}

}  // namespace voltaris

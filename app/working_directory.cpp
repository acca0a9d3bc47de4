#include "app/working_directory.h"

#include "base/text_ends.h"

namespace voltaris {

std::string WorkingDirectoryFromRunKey(const std::string& runValue, const std::string& exeName,
                                       const std::string& exeDirectory) {
  // Installers often quote the path; the separator must stand right before the name.
  std::string path = runValue;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  const std::string withSeparator = "\\" + exeName;
  if (exeName.empty() || !EndsWithAnyCase(path, withSeparator) || path.size() == withSeparator.size()) {
    return exeDirectory;
  }
  return path.substr(0, path.size() - withSeparator.size());
}

}  // namespace voltaris

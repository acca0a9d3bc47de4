// The working folder (where the records live) from the installer's Run value.
#pragma once

#include <string>

namespace voltaris {

// The folder part of `runValue`, the full path of the executable, when it
// names `exeName` in an existing folder; otherwise `exeDirectory`.
std::string WorkingDirectoryFromRunKey(const std::string& runValue, const std::string& exeName,
                                       const std::string& exeDirectory);

}  // namespace voltaris

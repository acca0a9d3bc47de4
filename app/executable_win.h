// Where the running program's file is: the service names it to Windows and
// starts it again without windows; the settings live beside it.
#pragma once

#include <windows.h>

#include <string>

namespace voltaris {

inline std::string ExecutablePath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

inline std::string ExecutableDirectory() {
  const std::string path = ExecutablePath();
  return path.substr(0, path.find_last_of('\\'));
}

}  // namespace voltaris

// Starts the event commands as hidden processes and watches them by handle.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "power/event_commands.h"

namespace voltaris {

// The program's environment with `added` set over it, as the block
// CreateProcess takes (NAME=value, each ended by a NUL, the block by a second).
std::string EnvironmentBlock(const char* current, const std::vector<std::pair<std::string, std::string>>& added);

class CommandRunner : public CommandRunnerPort {
 public:
  ~CommandRunner() override;
  bool Start(const CommandRequest& request, unsigned& token) override;
  bool Running(unsigned token) override;
  void Release(unsigned token) override;

 private:
  std::map<unsigned, HANDLE> processes_;
  unsigned next_ = 1;
};

}  // namespace voltaris

// Starts the event commands as hidden processes, on a thread of its own (a
// start may wait on a network folder for many seconds, and the window's
// thread runs the count-downs), and watches them by handle.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "power/event_commands.h"

namespace voltaris {

// The program's environment with `added` set over it, as the block
// CreateProcess takes (NAME=value, each ended by a NUL, sorted by name
// without regard to case, the block ended by a second NUL).
std::string EnvironmentBlock(const char* current, const std::vector<std::pair<std::string, std::string>>& added);

class CommandRunner : public CommandRunnerPort {
 public:
  CommandRunner();
  // The thread is let go, not waited for: a start that hangs must not hold
  // up the program's end. It ends once it is done with that start.
  ~CommandRunner() override;
  CommandRunner(const CommandRunner&) = delete;
  CommandRunner& operator=(const CommandRunner&) = delete;

  // The service's monitoring, which runs commands with the system's rights.
  // A program named without a folder is looked for in Windows' own folders
  // only, never beside the program, where a file of a user's could stand
  // in for it. A command is not started when a non-administrator could have
  // changed it: the program or its folder, or Voltaris's folder, or the
  // folder of the settings that name it (`settingsFolder`) or those
  // settings. `installer`: the administrator who installed the service
  // (who owns what they copied).
  void RunAsTheService(const std::string& installer, const std::string& settingsFolder);

  unsigned Start(const CommandRequest& request) override;
  CommandState State(unsigned token) override;
  void Release(unsigned token) override;

 private:
  struct Entry {
    CommandState state = CommandState::Starting;
    HANDLE process = nullptr;
    bool released = false;  // forgotten while it was still being started
  };
  // Shared with the thread, which may outlive the runner.
  struct Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<unsigned, CommandRequest>> queue;
    std::map<unsigned, Entry> entries;
    bool stopping = false;
    bool service = false;
    std::string installer;
    std::string settingsFolder;
  };
  static void Work(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  unsigned next_ = 1;
};

}  // namespace voltaris

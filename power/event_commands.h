// The commands run on power events. Each is started hidden and never waited
// for: protection goes on whatever the command does. One that cannot start
// is recorded once (until it starts again); one still running after
// CommandTimeLimit seconds is recorded once and left to itself.
//
// A command is told about its event twice, as arguments and as environment
// variables, so that a batch file can use %1..%9 and a script its variables;
// NOTIFYTYPE and UPSNAME are the names monitors of the Network UPS Tools
// family give their notify commands, so scripts written for them work.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/local_clock.h"
#include "base/timer_port.h"
#include "base/timer_table.h"
#include "config/config_file.h"
#include "power/power_events.h"
#include "power/record_keeper.h"
#include "ups/ups_protocol.h"

namespace voltaris {

// One argument quoted so that the C runtime's command-line parser (and
// CommandLineToArgvW) gives it back unchanged: blanks and quotes kept,
// backslashes doubled only where they precede a quote.
std::string QuoteArgument(const std::string& argument);

// A command line's program (its first word, quoted or not, without the
// quotes) and what follows it, as given.
struct CommandProgram {
  std::string program;
  std::string arguments;
};
CommandProgram SplitCommand(const std::string& commandLine);
// Named without a folder ("notify.cmd"): Windows looks for it beside the
// program first, then in the current folder.
bool IsBareProgramName(const std::string& program);

struct CommandRequest {
  std::string commandLine;
  std::vector<std::pair<std::string, std::string>> environment;  // added to the program's own
};

CommandRequest BuildCommand(const std::string& command, const PowerEvent& event, const LocalDateTime& now,
                            const UpsStatus& readings, const std::string& upsName);

enum class CommandState { Starting, Running, Ended, NotStarted };

// Starts processes and tells how they go (Win32: CreateProcess on a thread
// of its own, as a start can wait on a network folder for many seconds).
class CommandRunnerPort {
 public:
  virtual ~CommandRunnerPort() = default;
  // Hands the command over to be started, and returns at once.
  virtual unsigned Start(const CommandRequest& request) = 0;
  virtual CommandState State(unsigned token) = 0;
  // Forgets the command, running or not (it is never ended).
  virtual void Release(unsigned token) = 0;
};

struct RunningCommand {
  unsigned token = 0;
  PowerEventKind kind = PowerEventKind::MainsFailed;
  std::string command;
  int seconds = 0;
};

class EventCommands : public TimerOwner {
 public:
  static constexpr unsigned kWatchMs = 1000;
  // The longest command line the settings file holds whole for other
  // readers: a longer one is refused, never cut.
  static constexpr size_t kLongestCommand = ConfigFile::kMaxValueLength;
  // Commands of one event running at once, at most.
  static constexpr int kMostRunningOfOneEvent = 3;

  EventCommands(TimerPort& timers, CommandRunnerPort& runner, RecordKeeper& records, const ConfigFile& config,
                const LocalClock& clock, const UpsStatus& readings, std::function<std::string()> upsName)
      : timers_(timers), runner_(runner), records_(records), config_(config), clock_(clock), readings_(readings),
        upsName_(std::move(upsName)) {}
  void OwnTimers(TimerTable& table);
  void OnEvent(const PowerEvent& event);
  void OnTimer(unsigned id) override;
  const std::vector<RunningCommand>& Running() const { return running_; }
  // Whether a command is still on its way to start.
  bool AnyStarting();

 private:
  void NoteNotStarted(const RunningCommand& command);
  void NoteStarted(const std::string& command);
  void NoteTooLong(const std::string& command, PowerEventKind kind);
  void NoteTooMany(PowerEventKind kind);
  int RunningOf(PowerEventKind kind) const;

  TimerPort& timers_;
  CommandRunnerPort& runner_;
  RecordKeeper& records_;
  const ConfigFile& config_;
  const LocalClock& clock_;
  const UpsStatus& readings_;
  std::function<std::string()> upsName_;  // the name the network share gives the UPS
  std::vector<RunningCommand> running_;
  std::vector<std::string> notStarted_;  // recorded as not started, until one starts
  std::vector<std::string> tooLong_;     // recorded as too long, once each
  std::vector<PowerEventKind> tooMany_;  // recorded as too many running, until one of the kind starts
};

}  // namespace voltaris

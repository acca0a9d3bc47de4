// Following a UPS that another computer serves over the Network UPS Tools
// protocol, as one of its secondaries, without sockets: the socket side
// opens and closes the connection and carries the lines, and calls the
// client from its one thread with the time of its clock; the tests call it
// directly with a clock of their own.
//
// Connected, the client logs in when a user is set (so that the server
// counts this computer among those to wait for before the power goes), then
// asks for every variable of the UPS once a second, one request at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "ups/served_ups.h"

namespace voltaris {

// What the client asks of the socket side. After Close, nothing more is
// reported of that connection.
// The readings a list of the UPS's variables gives, as a whole reply of a
// server's does.
ServedReadings ServedReadingsOf(const std::vector<std::pair<std::string, std::string>>& variables);

class NutClientPort {
 public:
  virtual ~NutClientPort() = default;
  // Opens a connection to the server: OnConnected or OnConnectionLost follows.
  virtual void Connect() = 0;
  // One line, its LF included.
  virtual void Send(const std::string& line) = 0;
  // Ends the connection once the lines given to Send have gone.
  virtual void Close() = 0;
};

class NutClientReports {
 public:
  virtual ~NutClientReports() = default;
  virtual void Readings(const ServedReadings& readings) = 0;
  // Told once when the UPS stops answering (no connection, no complete
  // reply, stale data, a refusal) and once when it answers again.
  virtual void Answering(bool answering) = 0;
  // Told once per kind until the client has read the UPS again.
  virtual void Refused(ServedRefusal refusal) = 0;
  // An instant command's answer: `done` when the server took it; not done
  // when it refused it or the connection ended first.
  virtual void CommandDone(unsigned id, bool done) = 0;
};

struct NutClientLimits {
  int64_t pollMs = 1000;
  int64_t replyWithinMs = 5000;  // and the connection opened within it
  int64_t firstPauseMs = 1000;   // before connecting again; doubles up to the longest
  int64_t longestPauseMs = 30000;
  size_t longestLine = 512;      // a longer line ends the connection
};

enum class NutClientState { Idle, Pausing, Connecting, LoggingIn, Polling, Stopped };

// Which readings go on to the window's thread. One just like the last one
// handed on changes nothing shown or decided while nothing is under way,
// and under Wine each one handed on wakes that thread: it is kept back then.
// While a failure, a test or the plot wants every reading, every one goes.
// After any other news (the server silent or back, a refusal) the first
// reading goes again.
class ReadingPace {
 public:
  // From the user-interface thread.
  void EveryReading(bool every) { every_.store(every); }
  // From the follower's thread.
  bool Passes(const ServedReadings& readings);
  void Forget() { last_.reset(); }

 private:
  std::atomic<bool> every_{true};
  std::optional<ServedReadings> last_;
};

class NutClient {
 public:
  NutClient(NetworkUpsSettings settings, NutClientPort& port, NutClientReports& reports,
            NutClientLimits limits = {});

  void Start(int64_t nowMs);
  void OnConnected(int64_t nowMs);
  // The connection could not be opened, or the server or the network ended it.
  void OnConnectionLost(int64_t nowMs);
  void OnBytes(const char* bytes, size_t count, int64_t nowMs);
  // Called by the time NextDueMs says at the latest (earlier does no harm):
  // polls, waits and the dead time.
  void OnTime(int64_t nowMs);
  // When OnTime has something to do next, so that the socket side can sleep
  // until then (or until bytes come).
  int64_t NextDueMs(int64_t nowMs) const;
  // An instant command for the UPS (INSTCMD), sent between two polls of a
  // connection that follows it; told done or not done once.
  void Command(unsigned id, const std::string& instantCommand);
  // Before this computer shuts down: the server stops counting it at once,
  // and the client connects no more.
  void LogOut();

  NutClientState State() const { return state_; }
  // A connection being opened or a request sent whose reply is not all in.
  bool AwaitingReply() const { return state_ == NutClientState::Connecting || awaiting_ != Awaiting::Nothing; }

 private:
  enum class Awaiting { Nothing, Username, Password, Login, ListStart, ListBody, Command };

  void Connect(int64_t nowMs);
  void Request(const std::string& line, Awaiting reply, int64_t nowMs);
  void Poll(int64_t nowMs);
  void AnswerLine(const std::string& line, int64_t nowMs);
  void LoginReply(const std::string& line, int64_t nowMs);
  void ListStart(const std::string& line, int64_t nowMs);
  void ListBody(const std::string& line, int64_t nowMs);
  void Heard(int64_t nowMs);
  void CheckSilence(int64_t nowMs);
  bool TimedOut(int64_t nowMs) const;
  void Refuse(ServedRefusal refusal, int64_t nowMs);
  void Fail(int64_t nowMs);
  void Lost(int64_t nowMs);
  void NotAnswering();
  void SendCommand(int64_t nowMs);
  void CommandReply(const std::string& line);
  void DropCommands();

  NetworkUpsSettings settings_;
  NutClientPort& port_;
  NutClientReports& reports_;
  NutClientLimits limits_;
  NutClientState state_ = NutClientState::Idle;
  Awaiting awaiting_ = Awaiting::Nothing;
  std::string input_;            // part of a line
  int64_t waitingSinceMs_ = 0;   // the connection asked for, or the request sent
  int64_t nextPollMs_ = 0;
  int64_t reconnectAtMs_ = 0;
  int64_t pauseMs_;
  ServedReadings reading_;          // the reply being read
  std::optional<ServedReadings> last_;
  int64_t lastHeardMs_ = 0;
  bool silenceTold_ = false;
  bool lossTold_ = false;
  unsigned refusalsTold_ = 0;    // a bit per ServedRefusal
  std::deque<std::pair<unsigned, std::string>> commands_;  // the first is on its way while Awaiting::Command
};

}  // namespace voltaris

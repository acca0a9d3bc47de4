// The one channel from the user-interface thread to the monitor thread:
// requests go in from the UI (never blocking it for longer than a lock),
// the monitor takes them all at once when it wakes. No other state is shared.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "events/engine_ports.h"
#include "ups/line_timing.h"

namespace voltaris {

// The serial line the monitor opens: port name ("COM1".."COM8") and format.
struct SerialLine {
  std::string portName;
  LineFormat format;
};

struct UpsCommand {
  std::string bytes;
  bool readReply = false;
};

// What the monitor has been asked to do since it last looked.
struct MonitorRequests {
  LinkKind link = LinkKind::Serial;
  SerialLine line;
  bool closePort = false;
  bool openPort = false;  // SerialReadEnabled
  std::deque<UpsCommand> commands;
  bool stop = false;
};

class MonitorMailbox : public MonitorPort {
 public:
  // Commands beyond this many unsent ones replace the newest (one slot in the
  // original design; a short queue keeps a rating query from being lost).
  static constexpr size_t kMaxQueuedCommands = 8;

  // MonitorPort, called by the engine on the user-interface thread.
  void SetLinkKind(LinkKind kind) override;
  void ClosePort() override;
  void EnableSerialRead() override;
  void SendCommand(const std::string& bytes, bool readReply) override;

  void SetSerialLine(const SerialLine& line);
  void RequestStop();

  // Monitor side: waits until something was asked or `timeout` passed, then
  // takes the requests (link kind and line stay; the rest is consumed).
  MonitorRequests Take(std::chrono::milliseconds timeout);
  // Sleeps up to `duration`, waking early only to stop. True when asked to stop.
  bool SleepUnlessStopped(std::chrono::milliseconds duration);

 private:
  void Notify();

  std::mutex mutex_;
  std::condition_variable changed_;
  MonitorRequests requests_;
  bool pending_ = false;
};

}  // namespace voltaris

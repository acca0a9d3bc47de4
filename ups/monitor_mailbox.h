// The one channel from the user-interface thread to the monitor thread:
// requests go in from the UI (never blocking it for longer than a lock), the
// monitor takes them when it wakes. No other state is shared.
//
// Commands wait in two queues. Queries ("Q1", "F") are asked again every
// second, so one of each waiting is enough: a query already waiting is not
// queued twice, and a line that answers slowly never piles them up. Control
// commands (self-tests, cancel, switch-off) are never dropped or reordered
// and go out before any waiting query.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ups/line_timing.h"
#include "ups/monitor_port.h"

namespace voltaris {

// The serial line the monitor opens: port name ("COM1".."COM8") and format.
struct SerialLine {
  std::string portName;
  LineFormat format;
};

struct UpsCommand {
  enum class Kind { Query, Control } kind = Kind::Query;
  std::string bytes;  // for the serial line
  UsbCommand usb;     // a control command, for the link library
  unsigned id = 0;  // a control command's number, reported back once written
  // A control command not written by then is given up and reported so: a
  // switch-off must not reach the UPS long after it was meant for.
  std::chrono::steady_clock::time_point deadline{};
};

// What the monitor has been asked to do since it last looked, commands aside.
struct MonitorRequests {
  LinkKind link = LinkKind::Serial;
  SerialLine line;
  bool closePort = false;
  bool openPort = false;  // SerialReadEnabled
  bool stop = false;
};

class MonitorMailbox : public MonitorPort {
 public:
  static constexpr std::chrono::seconds kControlLifetime{60};
  explicit MonitorMailbox(std::chrono::milliseconds controlLifetime = kControlLifetime)
      : controlLifetime_(controlLifetime) {}

  // MonitorPort, called by the engine on the user-interface thread.
  void SetLinkKind(LinkKind kind) override;
  void ClosePort() override;
  void EnableSerialRead() override;
  void SendQuery(const std::string& bytes) override;
  unsigned SendControl(const UpsControl& control) override;
  bool WithdrawControl(unsigned id) override;

  void SetSerialLine(const SerialLine& line);
  void RequestStop();
  // After a stop, for a monitor started again: the stop request is dropped.
  void Reopen();

  // Monitor side: waits until something was asked or `timeout` passed, then
  // takes the requests (link kind and line stay; the rest is consumed).
  MonitorRequests Take(std::chrono::milliseconds timeout);
  // The next command to send: control commands first, in the order given.
  // A control command taken here is held until its write has ended.
  std::optional<UpsCommand> NextCommand();
  // The next control command only (the USB link asks its own queries).
  std::optional<UpsCommand> NextControl();
  // Called just before the write: false when the command was withdrawn
  // meanwhile, and it must then not be written. Past this point a withdrawal
  // can no longer promise that it stays off the line.
  bool ClaimForWriting(const UpsCommand& command);
  // The write of a held control command has ended, sent or not; it is let go.
  void WriteEnded(const UpsCommand& command);
  // A held control command that put nothing on the line goes back to the
  // front, unless it was withdrawn meanwhile.
  void PutBack(const UpsCommand& command);
  // The control commands whose time is up, taken out of the queue.
  std::vector<UpsCommand> TakeExpiredControls(std::chrono::steady_clock::time_point now);
  bool StopRequested();
  // Whether the user-interface thread asked for the serial port to be closed
  // (a UPS gone silent: it is then opened again) or for the other link:
  // carried out before the next command.
  bool LineRequestPending();
  // Sleeps up to `duration`, waking early only to stop. True when asked to stop.
  bool SleepUnlessStopped(std::chrono::milliseconds duration);

  size_t WaitingQueries();
  size_t WaitingControls();

 private:
  void Notify();
  // A control command the monitor has taken out of the queue.
  struct Held {
    unsigned id = 0;
    bool claimed = false;    // its write may have begun
    bool withdrawn = false;  // it must not be written, nor put back
  };
  void Hold(const std::optional<UpsCommand>& command);
  std::vector<Held>::iterator FindHeld(unsigned id);
  // Stops holding a command; true when it had been withdrawn meanwhile.
  bool LetGo(unsigned id);

  const std::chrono::milliseconds controlLifetime_;
  std::mutex mutex_;
  std::condition_variable changed_;
  MonitorRequests requests_;
  std::deque<UpsCommand> controls_;
  std::deque<UpsCommand> queries_;
  std::vector<Held> held_;
  unsigned lastControlId_ = 0;
  bool pending_ = false;
};

}  // namespace voltaris

#include "ups/monitor_mailbox.h"

namespace voltaris {

void MonitorMailbox::Notify() {
  pending_ = true;
  changed_.notify_one();
}

void MonitorMailbox::SetLinkKind(LinkKind kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.link = kind;
  Notify();
}

void MonitorMailbox::ClosePort() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.closePort = true;
  Notify();
}

void MonitorMailbox::EnableSerialRead() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.openPort = true;
  Notify();
}

void MonitorMailbox::SendCommand(const std::string& bytes, bool readReply) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (requests_.commands.size() >= kMaxQueuedCommands) requests_.commands.pop_back();
  requests_.commands.push_back({bytes, readReply});
  Notify();
}

void MonitorMailbox::SetSerialLine(const SerialLine& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.line = line;
}

void MonitorMailbox::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.stop = true;
  Notify();
}

MonitorRequests MonitorMailbox::Take(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return pending_; });
  MonitorRequests taken = requests_;
  requests_.closePort = false;
  requests_.openPort = false;
  requests_.commands.clear();
  pending_ = false;
  return taken;
}

bool MonitorMailbox::SleepUnlessStopped(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, duration, [this] { return requests_.stop; });
}

}  // namespace voltaris

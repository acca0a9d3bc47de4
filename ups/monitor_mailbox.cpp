#include "ups/monitor_mailbox.h"

#include <algorithm>

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

void MonitorMailbox::SendQuery(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool waiting = std::any_of(queries_.begin(), queries_.end(),
                                   [&bytes](const UpsCommand& q) { return q.bytes == bytes; });
  if (!waiting) queries_.push_back({UpsCommand::Kind::Query, bytes, {}, 0, {}});
  Notify();
}

unsigned MonitorMailbox::SendControl(const UpsControl& control) {
  std::lock_guard<std::mutex> lock(mutex_);
  controls_.push_back({UpsCommand::Kind::Control, control.serial, control.usb, ++lastControlId_,
                       std::chrono::steady_clock::now() + controlLifetime_});
  Notify();
  return lastControlId_;
}

bool MonitorMailbox::WithdrawControl(unsigned id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto waiting = std::find_if(controls_.begin(), controls_.end(), [id](const UpsCommand& c) { return c.id == id; });
  if (waiting != controls_.end()) {
    controls_.erase(waiting);
    return true;
  }
  const auto held = FindHeld(id);
  if (held == held_.end()) return false;
  held->withdrawn = true;
  return !held->claimed;
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

void MonitorMailbox::Reopen() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.stop = false;
}

MonitorRequests MonitorMailbox::Take(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return pending_; });
  MonitorRequests taken = requests_;
  requests_.closePort = false;
  requests_.openPort = false;
  pending_ = false;
  return taken;
}

namespace {

std::optional<UpsCommand> PopFront(std::deque<UpsCommand>& queue) {
  if (queue.empty()) return std::nullopt;
  UpsCommand next = std::move(queue.front());
  queue.pop_front();
  return next;
}

}  // namespace

std::vector<MonitorMailbox::Held>::iterator MonitorMailbox::FindHeld(unsigned id) {
  return std::find_if(held_.begin(), held_.end(), [id](const Held& h) { return h.id == id; });
}

void MonitorMailbox::Hold(const std::optional<UpsCommand>& command) {
  if (command && command->kind == UpsCommand::Kind::Control) held_.push_back({command->id, false, false});
}

std::optional<UpsCommand> MonitorMailbox::NextCommand() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto next = PopFront(controls_.empty() ? queries_ : controls_);
  Hold(next);
  return next;
}

std::optional<UpsCommand> MonitorMailbox::NextControl() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto next = PopFront(controls_);
  Hold(next);
  return next;
}

bool MonitorMailbox::ClaimForWriting(const UpsCommand& command) {
  if (command.kind != UpsCommand::Kind::Control) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto held = FindHeld(command.id);
  if (held == held_.end()) return true;
  if (held->withdrawn) {
    held_.erase(held);
    return false;
  }
  held->claimed = true;
  return true;
}

bool MonitorMailbox::LetGo(unsigned id) {
  const auto held = FindHeld(id);
  if (held == held_.end()) return false;
  const bool withdrawn = held->withdrawn;
  held_.erase(held);
  return withdrawn;
}

void MonitorMailbox::WriteEnded(const UpsCommand& command) {
  std::lock_guard<std::mutex> lock(mutex_);
  LetGo(command.id);
}

void MonitorMailbox::PutBack(const UpsCommand& command) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!LetGo(command.id)) controls_.push_front(command);
}

std::vector<UpsCommand> MonitorMailbox::TakeExpiredControls(std::chrono::steady_clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<UpsCommand> expired;
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (it->deadline > now) {
      ++it;
      continue;
    }
    expired.push_back(std::move(*it));
    it = controls_.erase(it);
  }
  return expired;
}

bool MonitorMailbox::StopRequested() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.stop;
}

bool MonitorMailbox::LineRequestPending() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.closePort || requests_.link != LinkKind::Serial;
}

bool MonitorMailbox::SleepUnlessStopped(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, duration, [this] { return requests_.stop; });
}

size_t MonitorMailbox::WaitingQueries() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queries_.size();
}

size_t MonitorMailbox::WaitingControls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return controls_.size();
}

}  // namespace voltaris

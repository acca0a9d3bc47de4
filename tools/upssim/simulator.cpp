#include "tools/upssim/simulator.h"

#include <cstdio>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <iostream>

#include "tools/upssim/line.h"

namespace upssim {
namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

constexpr size_t kMaxCommandLength = 64;  // a longer "line" is noise: dropped
constexpr size_t kMaxControlLine = 1024;
constexpr double kIdleWakeSeconds = 0.25;

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

Simulator::Simulator(const Options& options, Scenario scenario)
    : options_(options), scenario_(std::move(scenario)), model_(options.timeScale),
      usb_(options.usbFamily, options.usbReportSize, options.usbKind), start_(std::chrono::steady_clock::now()) {
  if (options.load) model_.SetLoad(*options.load);
  model_.SetBatteryAge(options.batteryAge, 0);
  model_.SetBatteryLaw(options.batteryLaw, 0);
  if (options.discharge) model_.UseDischargeCurve(true, 0);
}

Simulator::~Simulator() {
  for (auto& c : controlClients_) CloseFd(c.fd);
  CloseFd(clientFd_);
  CloseFd(listenFd_);
  CloseFd(slaveFd_);
  CloseFd(masterFd_);
  if (controlFd_ >= 0) {
    CloseFd(controlFd_);
    unlink(options_.controlPath.c_str());
  }
  if (log_) std::fclose(log_);
}

double Simulator::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

bool Simulator::Start() {
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  if (!options_.logPath.empty()) {
    log_ = std::fopen(options_.logPath.c_str(), "a");
    if (!log_) {
      std::cerr << "upssim: cannot open log " << options_.logPath << ": " << std::strerror(errno) << "\n";
      return false;
    }
  }
  if (!(options_.tcpPort ? OpenTcp() : OpenPseudoTerminal())) return false;
  if (!options_.controlPath.empty() && !OpenControl()) return false;
  std::cout.flush();
  return true;
}

bool Simulator::OpenPseudoTerminal() {
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (masterFd_ < 0 || grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0) {
    std::cerr << "upssim: cannot open a pseudo-terminal: " << std::strerror(errno) << "\n";
    return false;
  }
  const char* name = ptsname(masterFd_);
  // Our own handle on the terminal side: it lets us read the settings the
  // host applies and keeps the line up while the host has it closed.
  slaveFd_ = open(name, O_RDWR | O_NOCTTY);
  termios t = {};
  if (slaveFd_ < 0 || tcgetattr(slaveFd_, &t) != 0) {
    std::cerr << "upssim: cannot open " << name << ": " << std::strerror(errno) << "\n";
    return false;
  }
  ApplyFormat(options_.line, t);
  tcsetattr(slaveFd_, TCSANOW, &t);
  fcntl(masterFd_, F_SETFL, O_NONBLOCK);
  std::cout << name << std::endl;
  return true;
}

bool Simulator::OpenTcp() {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(*options_.tcpPort));
  socklen_t len = sizeof addr;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 4) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    std::cerr << "upssim: cannot listen on 127.0.0.1:" << *options_.tcpPort << ": " << std::strerror(errno)
              << "\n";
    return false;
  }
  std::cout << ntohs(addr.sin_port) << std::endl;
  return true;
}

bool Simulator::OpenControl() {
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  if (options_.controlPath.size() >= sizeof addr.sun_path) {
    std::cerr << "upssim: control socket path too long\n";
    return false;
  }
  std::strcpy(addr.sun_path, options_.controlPath.c_str());
  unlink(addr.sun_path);
  controlFd_ = socket(AF_UNIX, SOCK_STREAM, 0);
  if (bind(controlFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(controlFd_, 4) != 0) {
    std::cerr << "upssim: cannot listen on " << options_.controlPath << ": " << std::strerror(errno) << "\n";
    return false;
  }
  return true;
}

bool Simulator::HostLineMatches() {
  if (slaveFd_ < 0) return true;
  termios t = {};
  if (tcgetattr(slaveFd_, &t) != 0) return true;
  const auto host = FormatFromTermios(t);
  const std::string described = Describe(host);
  if (described != lastHostLine_) {
    Log("[line] host set " + described);
    lastHostLine_ = described;
  }
  return SameLine(options_.line, host);
}

void Simulator::OnLineReadable() {
  unsigned char buf[256];
  const ssize_t n = read(LineFd(), buf, sizeof buf);
  if (n <= 0) {
    if (options_.tcpPort && (n == 0 || errno != EAGAIN)) CloseFd(clientFd_);
    return;
  }
  if (options_.usbFamily != UsbFamily::None) {
    OnUsbBytes(std::string(reinterpret_cast<const char*>(buf), static_cast<size_t>(n)));
    return;
  }
  if (!HostLineMatches()) {
    // The UPS's receiver frames nothing useful: what it heard is noise, and
    // it starts afresh once the settings agree again.
    std::string heard;
    for (ssize_t i = 0; i < n; ++i) heard += static_cast<char>(Garble(buf[i]));
    Log("[garbled] " + Escape(heard));
    lineBuffer_.clear();
    return;
  }
  for (ssize_t i = 0; i < n; ++i) {
    const unsigned char c = buf[i];
    if (c == '\r') {
      OnCommand(lineBuffer_);
      lineBuffer_.clear();
    } else if (c != '\n') {
      lineBuffer_ += static_cast<char>(c);
      if (lineBuffer_.size() > kMaxCommandLength) {
        Log("[noise: " + std::to_string(lineBuffer_.size()) + " bytes dropped] " + Escape(lineBuffer_));
        lineBuffer_.clear();
      }
    }
  }
}

void Simulator::OnUsbBytes(const std::string& bytes) {
  for (const auto& heard : usb_.Feed(bytes)) {
    if (heard.identityRequest) {
      Log("identity");  // so that a test sees the host asked who the unit is
      if (!link_.unplugged) WriteAll(clientFd_, usb_.IdentityReply());
    } else if (heard.stringRequest) {
      OnStringRequest(heard);
    } else {
      OnCommand(heard.command);
    }
  }
}

// Reading the string is the command: its reply goes back at once.
void Simulator::OnStringRequest(const UsbPlay::Heard& heard) {
  if (link_.unplugged) {
    WriteAll(clientFd_, UsbPlay::StringRefusal());
    return;
  }
  if (heard.command.empty()) {
    char index[16];
    std::snprintf(index, sizeof index, "string 0x%02x", heard.index);
    Log(index);  // every request is seen, a command or not
    WriteAll(clientFd_, usb_.StringReply(heard, std::nullopt));  // the unit's own strings, or a refusal
    return;
  }
  Log(Escape(heard.command));
  const auto reply = model_.HandleCommand(heard.command, Now());
  WriteAll(clientFd_, usb_.StringReply(heard, reply.value_or("")));
}

void Simulator::OnCommand(const std::string& command) {
  Log(Escape(command));
  const auto reply = model_.HandleCommand(command, Now());
  if (!reply || link_.unplugged) return;
  QueueReply(link_.cutReplyTo >= 0 ? reply->substr(0, static_cast<size_t>(link_.cutReplyTo)) : *reply);
  link_.noiseBytes += link_.trailBytes;
  if (link_.noiseBytes > 0) QueueNoise();
}

void Simulator::QueueReply(const std::string& reply) {
  const bool intact = HostLineMatches();
  const double charSeconds =
      options_.pace ? voltaris::LineTimeMicros(options_.line, 1) / 1e6 : 0.0;
  double at = std::max(Now() + options_.thinkMs / 1000.0, lineFreeAt_);
  const std::string bytes = options_.usbFamily == UsbFamily::Report ? usb_.Reports(reply) : reply;
  for (unsigned char c : bytes) {
    at += charSeconds;  // a byte is there once its stop bit has been sent
    output_.push_back({at, intact ? c : Garble(c)});
  }
  lineFreeAt_ = at;
}

void Simulator::QueueNoise() {
  std::string noise;
  for (int i = 0; i < link_.noiseBytes; ++i) noise += static_cast<char>(0x80 | ((i * 73 + 41) & 0x7F));
  link_.noiseBytes = 0;
  QueueReply(noise);
}

void Simulator::SendDueBytes() {
  const double now = Now();
  std::string due;
  while (!output_.empty() && output_.front().due <= now) {
    due += static_cast<char>(output_.front().byte);
    output_.pop_front();
  }
  if (due.empty()) return;
  if (LineFd() >= 0) WriteAll(LineFd(), due);
}

void Simulator::AcceptTcpClient() {
  const int fd = accept(listenFd_, nullptr, nullptr);
  if (fd < 0) return;
  CloseFd(clientFd_);  // one host at a time: the newest wins
  clientFd_ = fd;
  fcntl(clientFd_, F_SETFL, O_NONBLOCK);
  usb_ = UsbPlay(options_.usbFamily, options_.usbReportSize, options_.usbKind);
  lineBuffer_.clear();
  output_.clear();
}

void Simulator::AcceptControlClient() {
  const int fd = accept(controlFd_, nullptr, nullptr);
  if (fd >= 0) controlClients_.push_back({fd, ""});
}

void Simulator::OnControlReadable(ControlClient& client) {
  char buf[512];
  const ssize_t n = read(client.fd, buf, sizeof buf);
  if (n <= 0) {
    CloseFd(client.fd);
    return;
  }
  client.buffer.append(buf, static_cast<size_t>(n));
  size_t eol;
  while ((eol = client.buffer.find('\n')) != std::string::npos) {
    std::string line = client.buffer.substr(0, eol);
    client.buffer.erase(0, eol + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    WriteAll(client.fd, HandleControlLine(line) + "\n");
  }
  if (client.buffer.size() > kMaxControlLine) {
    WriteAll(client.fd, "ERR line too long\n");
    client.buffer.clear();
  }
}

std::string Simulator::HandleControlLine(const std::string& line) {
  if (line == "status") {
    const std::string status = model_.StatusLine(Now());
    return "OK " + status.substr(0, status.size() - 1);
  }
  const auto parsed = ParseAction(line);
  if (!parsed.action) return "ERR " + parsed.error;
  Log("[control] " + Escape(line));
  ApplyAction(*parsed.action, model_, link_, Now());
  if (link_.noiseBytes > 0) QueueNoise();
  return "OK";
}

void Simulator::RunDueSteps() {
  const double now = Now();
  while (nextStep_ < scenario_.steps.size() && scenario_.steps[nextStep_].at <= now) {
    const Action& action = scenario_.steps[nextStep_++].action;
    std::string text;
    for (const auto& w : action.words) text += (text.empty() ? "" : " ") + w;
    Log("[scenario] " + text);
    ApplyAction(action, model_, link_, now);
    if (link_.noiseBytes > 0) QueueNoise();
  }
}

void Simulator::Log(const std::string& what) {
  if (!log_) return;
  const auto wall = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count() % 1000;
  std::tm local = {};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(log_, "%s.%03d %s\n", stamp, static_cast<int>(millis), what.c_str());
  std::fflush(log_);
}

double Simulator::NextWakeTime() const {
  double next = Now() + kIdleWakeSeconds;
  if (!output_.empty()) next = std::min(next, output_.front().due);
  if (nextStep_ < scenario_.steps.size()) next = std::min(next, scenario_.steps[nextStep_].at);
  return std::min(next, model_.NextEventTime());
}

int Simulator::Run() {
  while (!gStop && !link_.quit) {
    std::vector<pollfd> fds;
    auto watch = [&fds](int fd) { fds.push_back({fd, POLLIN, 0}); };
    if (LineFd() >= 0) watch(LineFd());
    if (listenFd_ >= 0) watch(listenFd_);
    if (controlFd_ >= 0) watch(controlFd_);
    for (const auto& c : controlClients_) watch(c.fd);

    const double wait = std::max(0.0, NextWakeTime() - Now());
    const int timeoutMs = static_cast<int>(std::ceil(wait * 1000.0));
    if (poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) return 1;

    for (const auto& p : fds) {
      if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (p.fd == LineFd()) OnLineReadable();
      else if (p.fd == listenFd_) AcceptTcpClient();
      else if (p.fd == controlFd_) AcceptControlClient();
      else {
        for (auto& c : controlClients_) {
          if (c.fd == p.fd) OnControlReadable(c);
        }
      }
    }
    controlClients_.erase(std::remove_if(controlClients_.begin(), controlClients_.end(),
                                         [](const ControlClient& c) { return c.fd < 0; }),
                          controlClients_.end());
    RunDueSteps();
    model_.Advance(Now());
    SendDueBytes();
  }
  return 0;
}

}  // namespace upssim

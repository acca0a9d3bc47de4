// The running simulator: one line (pseudo-terminal or loopback TCP), an
// optional control socket, a scenario and a command log around a UpsModel.
#pragma once

#include <chrono>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "tools/upssim/options.h"
#include "tools/upssim/scenario.h"
#include "tools/upssim/ups_model.h"
#include "tools/upssim/usb_play.h"

namespace upssim {

class Simulator {
 public:
  Simulator(const Options& options, Scenario scenario);
  ~Simulator();

  // Opens the line and the control socket; prints the line's address as the
  // first line of standard output. False with a message on stderr on failure.
  bool Start();
  // Serves until "quit" or a termination signal.
  int Run();

 private:
  struct PendingByte {
    double due;
    unsigned char byte;
  };
  struct ControlClient {
    int fd;
    std::string buffer;
  };

  double Now() const;
  bool OpenPseudoTerminal();
  bool OpenTcp();
  bool OpenControl();
  bool HostLineMatches();
  int LineFd() const { return options_.tcpPort ? clientFd_ : masterFd_; }

  void OnLineReadable();
  void OnUsbBytes(const std::string& bytes);
  void OnStringRequest(const UsbPlay::Heard& heard);
  void OnCommand(const std::string& command);
  void QueueReply(const std::string& reply);
  void QueueNoise();
  void SendDueBytes();
  void AcceptTcpClient();
  void AcceptControlClient();
  void OnControlReadable(ControlClient& client);
  std::string HandleControlLine(const std::string& line);
  void RunDueSteps();
  void Log(const std::string& what);
  double NextWakeTime() const;

  Options options_;
  Scenario scenario_;
  size_t nextStep_ = 0;
  UpsModel model_;
  LinkEffects link_;
  UsbPlay usb_;
  std::chrono::steady_clock::time_point start_;
  int masterFd_ = -1, slaveFd_ = -1, listenFd_ = -1, clientFd_ = -1, controlFd_ = -1;
  std::vector<ControlClient> controlClients_;
  std::string lineBuffer_;
  std::string lastHostLine_;
  std::deque<PendingByte> output_;
  double lineFreeAt_ = 0;  // when the last queued byte has left
  std::FILE* log_ = nullptr;
};

}  // namespace upssim

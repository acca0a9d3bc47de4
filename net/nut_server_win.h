// The network server's Winsock side: one thread owns the listening socket
// and every client socket, moves bytes between them and the connection
// logic, and never touches the user-interface thread's state. It listens only
// on the configured address. Its sockets are kept as numbers here so that
// this header can follow <windows.h> (Winsock 2 must come before it).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <thread>

#include "net/nut_server_core.h"
#include "net/share_board.h"
#include "net/share_port.h"

namespace voltaris {

class NutServer : public SharePort {
 public:
  // How long the thread waits for network activity before it looks at its
  // stop flag and the idle clients again: also the longest Stop() waits.
  static constexpr long kWakeMs = 200;

  explicit NutServer(NutLimits limits = {}) : limits_(limits) {}
  ~NutServer() override { Stop(); }

  bool Listen(const NetworkSettings& settings) override;
  void Publish(const ShareSnapshot& snapshot) override { board_.Publish(snapshot); }
  size_t LoggedIn() const override { return board_.LoggedIn(); }
  // Closes every connection and the listening socket; the thread is joined.
  void Stop() override;
  bool Running() const { return thread_.joinable(); }
  // The port bound (useful when 0 asked the system to choose one).
  int BoundPort() const { return boundPort_; }

 private:
  static constexpr std::uintptr_t kNoSocket = ~std::uintptr_t{0};  // INVALID_SOCKET

  void Run(NutServerCore& core);
  static constexpr int kMostAcceptsAPass = 64;

  bool AcceptClients(NutServerCore& core, int64_t nowMs);
  bool Serve(NutServerCore& core, int id, std::uintptr_t socket, bool readable, int64_t nowMs);
  void Close(NutServerCore& core, int id);

  NutLimits limits_;
  ShareBoard board_;
  NetworkSettings settings_;
  std::uintptr_t listener_ = kNoSocket;
  std::map<int, std::uintptr_t> clients_;  // the thread's own
  int nextClientId_ = 1;
  int boundPort_ = 0;
  bool winsockStarted_ = false;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace voltaris

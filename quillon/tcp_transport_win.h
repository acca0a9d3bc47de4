// The UPS protocol as plain lines over a TCP connection (the UPS
// simulator's network mode), chosen only by quillon.ini.
#pragma once

#include "quillon/tcp_socket_win.h"
#include "quillon/transport.h"

namespace quillon {

class TcpTransport : public Transport {
 public:
  TcpTransport(std::string host, unsigned short port) : socket_(std::move(host), port) {}

  bool EnsureConnected() override { return socket_.EnsureConnected(); }
  bool Send(const std::string& command) override;
  std::string ReceiveLine() override;
  void Drop() override { socket_.Close(); }
  char LeadByte() const override { return kLineLeadByte; }

 private:
  TcpSocket socket_;
};

}  // namespace quillon

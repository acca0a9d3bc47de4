// The UPS protocol over a TCP connection (the UPS simulator's network mode).
#pragma once

#include <winsock2.h>

#include <string>

#include "quillon/transport.h"

namespace quillon {

class TcpTransport : public Transport {
 public:
  TcpTransport(std::string host, unsigned short port);
  ~TcpTransport() override;

  bool EnsureConnected() override;
  bool Send(const std::string& command) override;
  std::string ReceiveLine(unsigned timeoutMs) override;
  void Drop() override;

 private:
  bool StillOpen();
  bool DiscardLeftovers();
  bool Connect();

  std::string host_;
  unsigned short port_;
  SOCKET socket_ = INVALID_SOCKET;
  bool winsockReady_ = false;
};

}  // namespace quillon

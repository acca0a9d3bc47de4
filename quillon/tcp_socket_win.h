// One TCP connection to the UPS simulator with bounded waits: what the
// plain line (tcp_transport_win) and the USB tunnel (tcp_device_win) share.
#pragma once

#include <winsock2.h>

#include <string>

namespace quillon {

class TcpSocket {
 public:
  TcpSocket(std::string host, unsigned short port);
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Connected now, or connects again (a bounded wait) when the peer went away.
  bool EnsureConnected();
  bool Connected() const { return socket_ != INVALID_SOCKET; }
  void Close();

  // Sends every byte or closes the connection.
  bool SendAll(const std::string& bytes);
  // Up to `max` bytes that arrive within `timeoutMs` appended to `out`:
  // false when none came. A peer that closed closes the connection.
  bool ReceiveSome(std::string& out, size_t max, unsigned timeoutMs);
  // Whatever is already waiting is dropped: it answers an earlier command.
  // False (and closed) when the peer is still talking after `maxBytes`.
  bool DiscardPending(int maxBytes);

 private:
  bool StillOpen();
  bool Connect();

  std::string host_;
  unsigned short port_;
  SOCKET socket_ = INVALID_SOCKET;
  bool winsockReady_ = false;
};

}  // namespace quillon

#include "quillon/tcp_socket_win.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace quillon {
namespace {

constexpr long kConnectTimeoutMs = 300;
// A command of a few bytes leaves at once unless the peer has stopped
// reading: then it is given up, and the connection with it.
constexpr DWORD kSendTimeoutMs = 500;

timeval Timeout(unsigned ms) {
  timeval tv;
  tv.tv_sec = static_cast<long>(ms / 1000);
  tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
  return tv;
}

bool Readable(SOCKET s, unsigned timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv = Timeout(timeoutMs);
  return select(0, &set, nullptr, nullptr, &tv) == 1;
}

// A non-blocking connect, waited for at most kConnectTimeoutMs.
bool ConnectedInTime(SOCKET s, const sockaddr_in& addr) {
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval tv = Timeout(kConnectTimeoutMs);
  int error = 0;
  int length = sizeof error;
  return select(0, nullptr, &writable, &failed, &tv) == 1 && FD_ISSET(s, &writable) &&
         getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
}

}  // namespace

TcpSocket::TcpSocket(std::string host, unsigned short port) : host_(std::move(host)), port_(port) {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TcpSocket::~TcpSocket() {
  Close();
  if (winsockReady_) WSACleanup();
}

void TcpSocket::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

// A peer that went away shows as a readable socket with nothing to read.
bool TcpSocket::StillOpen() {
  if (!Readable(socket_, 0)) return true;
  char byte;
  return recv(socket_, &byte, 1, MSG_PEEK) > 0;
}

bool TcpSocket::Connect() {
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port_);
  if (inet_pton(AF_INET, host_.c_str(), &addr.sin_addr) != 1) return false;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  if (!ConnectedInTime(s, addr)) {
    closesocket(s);
    return false;
  }
  u_long blocking = 0;
  ioctlsocket(s, FIONBIO, &blocking);
  const BOOL noDelay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&kSendTimeoutMs), sizeof kSendTimeoutMs);
  socket_ = s;
  return true;
}

bool TcpSocket::EnsureConnected() {
  if (!winsockReady_) return false;
  if (socket_ != INVALID_SOCKET && StillOpen()) return true;
  Close();
  return Connect();
}

bool TcpSocket::SendAll(const std::string& bytes) {
  if (socket_ == INVALID_SOCKET) return false;
  const int sent = send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
  if (sent == static_cast<int>(bytes.size())) return true;
  Close();
  return false;
}

bool TcpSocket::ReceiveSome(std::string& out, size_t max, unsigned timeoutMs) {
  if (socket_ == INVALID_SOCKET || !Readable(socket_, timeoutMs)) return false;
  char buffer[256];
  const int n = recv(socket_, buffer, static_cast<int>(std::min(max, sizeof buffer)), 0);
  if (n <= 0) {
    Close();
    return false;
  }
  out.append(buffer, static_cast<size_t>(n));
  return true;
}

bool TcpSocket::DiscardPending(int maxBytes) {
  std::string scrap;
  while (Connected() && static_cast<int>(scrap.size()) < maxBytes) {
    if (!ReceiveSome(scrap, maxBytes - scrap.size(), 0)) return Connected();
  }
  if (!Connected()) return false;
  if (!Readable(socket_, 0)) return true;
  Close();
  return false;
}

}  // namespace quillon

#include "quillon/tcp_transport_win.h"

#include <ws2tcpip.h>

namespace quillon {
namespace {

constexpr long kConnectTimeoutMs = 300;
// A command of a few bytes leaves at once unless the peer has stopped
// reading: then it is given up, and the connection with it.
constexpr DWORD kSendTimeoutMs = 500;
// Leftovers of earlier replies are a few lines at most; a peer that keeps
// talking is not listened to for ever.
constexpr int kMaxLeftoverBytes = 1024;

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

}  // namespace

TcpTransport::TcpTransport(std::string host, unsigned short port) : host_(std::move(host)), port_(port) {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TcpTransport::~TcpTransport() {
  Drop();
  if (winsockReady_) WSACleanup();
}

void TcpTransport::Drop() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

// A peer that went away shows as a readable socket with nothing to read.
bool TcpTransport::StillOpen() {
  if (!Readable(socket_, 0)) return true;
  char byte;
  const int n = recv(socket_, &byte, 1, MSG_PEEK);
  return n > 0;
}

bool TcpTransport::Connect() {
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port_);
  if (inet_pton(AF_INET, host_.c_str(), &addr.sin_addr) != 1) return false;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval tv = Timeout(kConnectTimeoutMs);
  int error = 0;
  int length = sizeof error;
  const bool up = select(0, nullptr, &writable, &failed, &tv) == 1 && FD_ISSET(s, &writable) &&
                  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
  if (!up) {
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

bool TcpTransport::EnsureConnected() {
  if (!winsockReady_) return false;
  if (socket_ != INVALID_SOCKET && StillOpen()) return true;
  Drop();
  return Connect();
}

// Whatever is left from an earlier reply is not the answer to the next
// command. False when the peer is still talking after all that.
bool TcpTransport::DiscardLeftovers() {
  char scrap[256];
  for (int discarded = 0; discarded < kMaxLeftoverBytes;) {
    if (!Readable(socket_, 0)) return true;
    const int n = recv(socket_, scrap, sizeof scrap, 0);
    if (n <= 0) return false;
    discarded += n;
  }
  return !Readable(socket_, 0);
}

bool TcpTransport::Send(const std::string& command) {
  if (socket_ == INVALID_SOCKET) return false;
  if (!DiscardLeftovers()) {
    Drop();
    return false;
  }
  const int sent = send(socket_, command.data(), static_cast<int>(command.size()), 0);
  if (sent != static_cast<int>(command.size())) {
    Drop();
    return false;
  }
  return true;
}

std::string TcpTransport::ReceiveLine(unsigned timeoutMs) {
  std::string line;
  const DWORD start = GetTickCount();
  while (socket_ != INVALID_SOCKET) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= timeoutMs || !Readable(socket_, timeoutMs - spent)) break;
    char c;
    if (recv(socket_, &c, 1, 0) != 1) {
      Drop();
      break;
    }
    line += c;
    if (c == '\r') break;
  }
  return line;
}

}  // namespace quillon

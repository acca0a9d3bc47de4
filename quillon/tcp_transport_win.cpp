#include "quillon/tcp_transport_win.h"

namespace quillon {
namespace {

// How long a query waits for its reply line.
constexpr DWORD kReplyTimeoutMs = 400;
// Leftovers of earlier replies are a few lines at most; a peer that keeps
// talking is not listened to for ever.
constexpr int kMaxLeftoverBytes = 1024;

}  // namespace

bool TcpTransport::Send(const std::string& command) {
  return socket_.DiscardPending(kMaxLeftoverBytes) && socket_.SendAll(command);
}

std::string TcpTransport::ReceiveLine() {
  std::string line;
  const DWORD start = GetTickCount();
  while (line.empty() || line.back() != '\r') {
    const DWORD spent = GetTickCount() - start;
    if (spent >= kReplyTimeoutMs || !socket_.ReceiveSome(line, 1, kReplyTimeoutMs - spent)) break;
  }
  return line;
}

}  // namespace quillon

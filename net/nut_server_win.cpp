#include "net/socket_win.h"

#include <ws2tcpip.h>

#include <climits>

#include "net/nut_server_win.h"

namespace voltaris {
namespace {

static_assert(sizeof(SOCKET) == sizeof(std::uintptr_t), "sockets are kept as numbers");

SOCKET AsSocket(std::uintptr_t s) { return static_cast<SOCKET>(s); }

std::string AddressText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = "";
  if (inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) return "unknown";
  return text;
}

}  // namespace

bool NutServer::Listen(const NetworkSettings& settings) {
  if (Running()) return false;
  settings_ = settings;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(settings.port));
  if (inet_pton(AF_INET, settings.listenAddress.c_str(), &address.sin_addr) != 1) return false;

  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  winsockStarted_ = true;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  listener_ = listener;
  int length = sizeof address;
  const bool ready = listener != INVALID_SOCKET &&
                     bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     listen(listener, SOMAXCONN) == 0 && MakeNonBlocking(listener) &&
                     getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (!ready) {
    Stop();
    return false;
  }
  boundPort_ = ntohs(address.sin_port);
  stopping_ = false;
  thread_ = std::thread([this] {
    NutServerCore core(settings_, board_, limits_);
    Run(core);
  });
  return true;
}

void NutServer::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != kNoSocket) closesocket(AsSocket(listener_));
  listener_ = kNoSocket;
  if (winsockStarted_) WSACleanup();
  winsockStarted_ = false;
}

void NutServer::Run(NutServerCore& core) {
  while (!stopping_) {
    // Logins whose pause has ended are answered before the sockets are
    // looked at, so that their replies go out in this pass.
    core.AnswerWaitingLogins(NowMs());
    fd_set readable, writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(AsSocket(listener_), &readable);
    for (const auto& [id, socket] : clients_) {
      FD_SET(AsSocket(socket), &readable);
      if (!core.PendingOutput(id).empty()) FD_SET(AsSocket(socket), &writable);
    }
    timeval wake{0, kWakeMs * 1000};
    const int ready = select(0, &readable, &writable, nullptr, &wake);
    if (ready == SOCKET_ERROR) {
      Sleep(kWakeMs);  // a failing select must not spin; the next pass tries again
      continue;
    }
    const int64_t now = NowMs();
    if (FD_ISSET(AsSocket(listener_), &readable) && !AcceptClients(core, now)) Sleep(kWakeMs);
    std::vector<int> finished;
    for (const auto& [id, socket] : clients_) {
      if (!Serve(core, id, socket, FD_ISSET(AsSocket(socket), &readable), now)) finished.push_back(id);
    }
    for (const int id : core.Idle(now)) finished.push_back(id);
    for (const int id : finished) Close(core, id);
  }
  while (!clients_.empty()) Close(core, clients_.begin()->first);
}

// Pending connections are taken, a bounded number a pass so that the clients
// being served go on. Each comes in, in the place of a connection that has
// not logged in when the server or its address is full; it is closed at once
// only when every place is logged in. False when accepting fails for a reason
// that will not pass by the next pass.
bool NutServer::AcceptClients(NutServerCore& core, int64_t nowMs) {
  for (int taken = 0; taken < kMostAcceptsAPass; ++taken) {
    sockaddr_in address{};
    int length = sizeof address;
    const SOCKET socket = accept(AsSocket(listener_), reinterpret_cast<sockaddr*>(&address), &length);
    if (socket == INVALID_SOCKET) {
      const int error = WSAGetLastError();
      return error == WSAEWOULDBLOCK || error == WSAECONNRESET;
    }
    const int id = nextClientId_;
    nextClientId_ = nextClientId_ == INT_MAX ? 1 : nextClientId_ + 1;
    if (FD_SETSIZE <= clients_.size() + 1 || !MakeNonBlocking(socket)) {
      closesocket(socket);
      continue;
    }
    const NutAdmission admission = core.Accept(id, AddressText(address), nowMs);
    if (admission.displaced) Close(core, *admission.displaced);
    if (!admission.accepted) {
      closesocket(socket);
      continue;
    }
    clients_[id] = socket;
  }
  return true;
}

// Reads what arrived and sends what waits; false when the connection is over.
bool NutServer::Serve(NutServerCore& core, int id, std::uintptr_t client, bool readable, int64_t nowMs) {
  const SOCKET socket = AsSocket(client);
  if (readable) {
    char bytes[4096];
    const int count = recv(socket, bytes, sizeof bytes, 0);
    if (count == 0) return false;  // the client closed
    if (count < 0 && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    if (count > 0) core.Receive(id, bytes, static_cast<size_t>(count), nowMs);
  }
  const std::string& output = core.PendingOutput(id);
  if (!output.empty()) {
    const int sent = send(socket, output.data(), static_cast<int>(output.size()), 0);
    if (sent < 0 && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    if (sent > 0) core.Sent(id, static_cast<size_t>(sent));
  }
  return !core.ShouldClose(id);
}

void NutServer::Close(NutServerCore& core, int id) {
  const auto it = clients_.find(id);
  if (it == clients_.end()) return;
  closesocket(AsSocket(it->second));
  clients_.erase(it);
  core.Drop(id);
}

}  // namespace voltaris

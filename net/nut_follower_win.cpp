#include "net/socket_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/unwaited_thread.h"
#include "net/nut_follower_win.h"

namespace voltaris {
namespace {

struct Address {
  int family = AF_INET;
  sockaddr_storage bytes{};
  int length = 0;
};
using Addresses = std::vector<Address>;

// Every address getaddrinfo gives for the host, IPv4 and IPv6 alike; none
// when it gives none. With AI_NUMERICHOST it answers at once.
Addresses Resolve(const std::string& host, int port, int flags) {
  Addresses addresses;
  if (host.empty()) return addresses;  // "" would ask for this machine's own addresses
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = flags;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return addresses;
  for (const addrinfo* each = found; each != nullptr; each = each->ai_next) {
    if (each->ai_addrlen > sizeof(sockaddr_storage)) continue;
    Address address;
    address.family = each->ai_family;
    address.length = static_cast<int>(each->ai_addrlen);
    std::memcpy(&address.bytes, each->ai_addr, each->ai_addrlen);
    addresses.push_back(address);
  }
  freeaddrinfo(found);
  return addresses;
}

// A name lookup on a thread of its own, which the follower may leave behind:
// the lookup and its answer are shared by the two threads until both are done.
class NameLookup {
 public:
  // None when no thread could start.
  static std::shared_ptr<NameLookup> Begin(const std::string& host, int port) {
    auto lookup = std::make_shared<NameLookup>();
    try {
      StartUnwaited([lookup, host, port] {
        // A hold on Winsock of its own: the follower may have let go of its
        // hold by the time the lookup ends.
        WSADATA data;
        const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        lookup->End(started ? Resolve(host, port, 0) : Addresses{});
        if (started) WSACleanup();
      });
    } catch (const std::system_error&) {
      return nullptr;
    }
    return lookup;
  }

  // The addresses found, once the lookup has ended; waits at most waitMs for that.
  std::optional<Addresses> Result(long waitMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    ended_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return found_.has_value(); });
    return found_;
  }

 private:
  void End(Addresses found) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      found_ = std::move(found);
    }
    ended_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable ended_;
  std::optional<Addresses> found_;
};

enum class Readiness { Readable, Writable };

// Waits until the socket is ready or the deadline has passed; false then.
bool ReadyBefore(SOCKET socket, Readiness readiness, int64_t deadlineMs) {
  const int64_t leftMs = deadlineMs - NowMs();
  if (leftMs <= 0) return false;
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(socket, &ready);
  timeval wait{static_cast<long>(leftMs / 1000), static_cast<long>(leftMs % 1000 * 1000)};
  const bool reading = readiness == Readiness::Readable;
  return select(0, reading ? &ready : nullptr, reading ? nullptr : &ready, nullptr, &wait) == 1;
}

// One run of the follower: its connection and the client that talks over
// it, on the follower's thread alone.
class FollowerLink final : public NutClientPort, public NutClientReports {
 public:
  FollowerLink(const NetworkUpsSettings& settings, NutClientLimits limits, NutFollower::Deliver deliver,
               HANDLE wake, HANDLE closed)
      : wake_(wake),
        closed_(closed),
        host_(settings.host),
        port_(settings.port),
        limits_(limits),
        deliver_(std::move(deliver)),
        client_(settings, *this, *this, limits) {}
  ~FollowerLink() override { CloseSocket(); }

  void Run(const std::atomic<bool>& stopping, FollowerCommands& commands) {
    client_.Start(NowMs());
    while (!stopping) {
      Advance();
      for (const auto& [id, command] : commands.Take()) client_.Command(id, command);
      client_.OnTime(NowMs());
      SendAtOnce();
    }
    client_.LogOut();
  }

 private:
  // Where the connection the client asked for stands.
  enum class Phase { None, LookingUp, Connecting, Connected };

  // NutClientPort. The client is told of the outcome from the loop, never
  // from inside its own call.
  void Connect() override {
    CloseSocket();
    output_.clear();
    addresses_ = Resolve(host_, port_, AI_NUMERICHOST);
    nextAddress_ = 0;
    phase_ = addresses_.empty() ? Phase::LookingUp : Phase::Connecting;
  }
  void Send(const std::string& line) override { output_ += line; }
  void Close() override {
    if (phase_ == Phase::Connected) SendAndHangUp();
    CloseSocket();
    output_.clear();
    phase_ = Phase::None;
  }

  // NutClientReports
  void Readings(const ServedReadings& readings) override {
    NetworkNews news;
    news.readings = readings;
    Tell(std::move(news));
  }
  void Answering(bool answering) override {
    NetworkNews news;
    news.kind = NetworkNews::Kind::Answering;
    news.answering = answering;
    Tell(std::move(news));
  }
  void Refused(ServedRefusal refusal) override {
    NetworkNews news;
    news.kind = NetworkNews::Kind::Refused;
    news.refusal = refusal;
    Tell(std::move(news));
  }
  void CommandDone(unsigned id, bool done) override {
    NetworkNews news;
    news.kind = NetworkNews::Kind::CommandDone;
    news.commandId = id;
    news.answering = done;
    Tell(std::move(news));
  }
  void Tell(NetworkNews news) {
    if (deliver_) deliver_(std::move(news));
  }

  // One step, waiting at most a wake for the network.
  void Advance() {
    switch (phase_) {
      case Phase::None: return Doze();  // between connections
      case Phase::LookingUp: return AwaitLookup();
      case Phase::Connecting: return AwaitConnect();
      case Phase::Connected: return Exchange();
    }
  }

  // One lookup at a time: one that the client gave up waiting for is still
  // the one asked next time, so that a name server that does not answer
  // does not gather threads.
  void AwaitLookup() {
    if (!lookup_) lookup_ = NameLookup::Begin(host_, port_);
    if (!lookup_) return Lost();
    std::optional<Addresses> found = lookup_->Result(NutFollower::kWakeMs);
    if (!found) return;
    lookup_.reset();
    addresses_ = std::move(*found);
    phase_ = Phase::Connecting;
  }

  // Tries the addresses in turn. Each has its share of the client's reply
  // limit, so that one that swallows the connection request (an IPv6 route
  // that leads nowhere) does not hide those after it.
  void AwaitConnect() {
    if (socket_ == INVALID_SOCKET && !ConnectToNextAddress()) return Lost();
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket_, &writable);
    FD_SET(socket_, &failed);
    timeval wake{0, NutFollower::kWakeMs * 1000};
    const int ready = select(0, nullptr, &writable, &failed, &wake);
    const int64_t shareMs = limits_.replyWithinMs / static_cast<int64_t>(addresses_.size());
    const bool turnOver = NowMs() - connectStartedMs_ >= shareMs && nextAddress_ < addresses_.size();
    if (ready == SOCKET_ERROR || FD_ISSET(socket_, &failed) || (ready == 0 && turnOver)) return CloseSocket();
    if (ready == 0) return;
    // Only the server's close sets the event: the replies are read as they
    // come (see AwaitReply), and each signal would cost a wake.
    if (WSAEventSelect(socket_, closed_, FD_CLOSE) != 0) return CloseSocket();
    phase_ = Phase::Connected;
    client_.OnConnected(NowMs());
  }

  // False when no address is left to try.
  bool ConnectToNextAddress() {
    while (nextAddress_ < addresses_.size()) {
      const Address& address = addresses_[nextAddress_++];
      socket_ = socket(address.family, SOCK_STREAM, IPPROTO_TCP);
      const bool started = socket_ != INVALID_SOCKET && MakeNonBlocking(socket_) &&
                           (connect(socket_, reinterpret_cast<const sockaddr*>(&address.bytes), address.length) == 0 ||
                            WSAGetLastError() == WSAEWOULDBLOCK);
      if (started) {
        connectStartedMs_ = NowMs();
        return true;
      }
      CloseSocket();
    }
    return false;
  }

  // Until the client is due, at the most.
  DWORD SleepMs() const {
    const int64_t untilDue = client_.NextDueMs(NowMs()) - NowMs();
    return static_cast<DWORD>(std::clamp<int64_t>(untilDue, 0, NutFollower::kLongestSleepMs));
  }

  void Doze() { WaitForSingleObject(wake_, SleepMs()); }

  // Between two requests the server says nothing unasked: the thread sleeps
  // until the client is due, it is woken or the server closes.
  void Exchange() {
    if (!output_.empty()) return AwaitRoomToSend();
    if (client_.AwaitingReply()) return AwaitReply();
    const HANDLE events[] = {wake_, closed_};
    const DWORD woke = WaitForMultipleObjects(2, events, FALSE, SleepMs());
    if (woke == WAIT_OBJECT_0 + 1) Receive();  // what came before the close, then the close
    if (woke == WAIT_FAILED) Lost();           // a wait that fails at once must not spin
  }

  // A reply is read as soon as the request is out, and read on while bytes
  // come: a server answers within a fraction of a millisecond on a network
  // close by, and takes each part sooner once the last is read. Only when
  // nothing has come does the thread pause, longer each time. A wait on the
  // socket (an event or a select) costs several calls under Wine, where a
  // steady follower is measured against a bare loop of requests and reads.
  void AwaitReply() {
    if (replyPauseMs_ > 0) Sleep(static_cast<DWORD>(std::min<int64_t>(replyPauseMs_, SleepMs())));
    const bool came = Receive();
    replyPauseMs_ = came ? 0 : std::clamp(replyPauseMs_ * 2, NutFollower::kFirstReplyPauseMs, NutFollower::kWakeMs);
  }

  // Seldom: a request the socket could not take whole when it was made.
  void AwaitRoomToSend() {
    if (!ReadyBefore(socket_, Readiness::Writable, NowMs() + NutFollower::kWakeMs)) return;
    if (!SendQueued()) Lost();
  }

  // A request goes out as soon as the client makes it: the socket nearly
  // always takes it whole, and a look at its room first would cost a wake.
  void SendAtOnce() {
    if (phase_ == Phase::Connected && !output_.empty() && !SendQueued()) Lost();
  }

  // A read that fills the buffer may leave more, and the close behind it,
  // with no new signal: read on until it does not.
  bool Receive() {
    char bytes[4096];
    int count = 0;
    bool came = false;
    do {
      count = recv(socket_, bytes, sizeof bytes, 0);
      came = came || count > 0;
      if (count > 0) client_.OnBytes(bytes, static_cast<size_t>(count), NowMs());
    } while (count == static_cast<int>(sizeof bytes) && phase_ == Phase::Connected);
    // Would-block: nothing more has come yet.
    if (count == 0 || (count < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) Lost();
    return came;
  }

  // Sends what the socket takes now; false when the connection failed.
  bool SendQueued() {
    const int sent = send(socket_, output_.data(), static_cast<int>(output_.size()), 0);
    if (sent > 0) {
      output_.erase(0, static_cast<size_t>(sent));
      replyPauseMs_ = 0;  // a new request's reply is looked for at once
    }
    return sent >= 0 || WSAGetLastError() == WSAEWOULDBLOCK;
  }

  // Sends what is queued, then waits for the server to close its end, as a
  // socket closed with unread bytes is reset, and a reset can lose the
  // LOGOUT just sent. A server that neither reads nor closes is let go at
  // the close limit.
  void SendAndHangUp() {
    const int64_t deadlineMs = NowMs() + NutFollower::kCloseMs;
    while (!output_.empty() && ReadyBefore(socket_, Readiness::Writable, deadlineMs)) {
      if (!SendQueued()) return;
    }
    if (!output_.empty() || shutdown(socket_, SD_SEND) != 0) return;
    char bytes[512];
    while (ReadyBefore(socket_, Readiness::Readable, deadlineMs) && recv(socket_, bytes, sizeof bytes, 0) > 0) {
    }
  }

  void Lost() {
    CloseSocket();
    output_.clear();
    phase_ = Phase::None;
    client_.OnConnectionLost(NowMs());
  }

  void CloseSocket() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

  const HANDLE wake_;    // set by the other side: a stop or a command
  const HANDLE closed_;  // set by Winsock: the server closed the connection
  const std::string host_;
  const int port_;
  const NutClientLimits limits_;
  const NutFollower::Deliver deliver_;
  NutClient client_;
  Phase phase_ = Phase::None;
  Addresses addresses_;
  size_t nextAddress_ = 0;
  int64_t connectStartedMs_ = 0;
  long replyPauseMs_ = 0;  // before the next look for a reply
  std::shared_ptr<NameLookup> lookup_;
  SOCKET socket_ = INVALID_SOCKET;
  std::string output_;  // bytes the client gave that the socket has not taken yet
};

}  // namespace

bool NutFollower::Start(const NetworkUpsSettings& settings, Deliver deliver) {
  Stop();
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  winsockStarted_ = true;
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  closed_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (wake_ == nullptr || closed_ == nullptr) {
    Stop();
    return false;
  }
  stopping_ = false;
  try {
    pace_.Forget();
    thread_ = std::thread([this, settings, limits = limits_, deliver = std::move(deliver)] {
      const Deliver paced = [this, &deliver](NetworkNews news) {
        if (Passes(news)) deliver(std::move(news));
      };
      FollowerLink link(settings, limits, paced, static_cast<HANDLE>(wake_), static_cast<HANDLE>(closed_));
      link.Run(stopping_, commands_);
    });
  } catch (const std::system_error&) {
    Stop();
    return false;
  }
  return true;
}

// A reading goes by the pace; any other news goes, and the next reading after it too.
bool NutFollower::Passes(const NetworkNews& news) {
  if (news.kind == NetworkNews::Kind::Readings) return pace_.Passes(news.readings);
  pace_.Forget();
  return true;
}

void FollowerCommands::Put(unsigned id, const std::string& instantCommand) {
  std::lock_guard<std::mutex> hold(lock_);
  waiting_.emplace_back(id, instantCommand);
}

std::vector<std::pair<unsigned, std::string>> FollowerCommands::Take() {
  std::lock_guard<std::mutex> hold(lock_);
  return std::exchange(waiting_, {});
}

bool NutFollower::Command(unsigned id, const std::string& instantCommand) {
  if (!Running()) return false;
  commands_.Put(id, instantCommand);
  Wake();
  return true;
}

void NutFollower::Wake() const {
  if (wake_ != nullptr) SetEvent(static_cast<HANDLE>(wake_));
}

void NutFollower::Stop() {
  stopping_ = true;
  Wake();
  if (thread_.joinable()) thread_.join();
  commands_.Take();  // too late for this run, and not meant for the next
  for (void** event : {&wake_, &closed_}) {
    if (*event != nullptr) CloseHandle(static_cast<HANDLE>(*event));
    *event = nullptr;
  }
  if (winsockStarted_) WSACleanup();
  winsockStarted_ = false;
}

}  // namespace voltaris

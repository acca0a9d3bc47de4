// The service's local channel to the windows of logged-on users, as a
// named pipe. The service's monitoring serves it on a thread of its own:
// one instance, so that nobody else can open a second one under the same
// name, with an ACL that lets interactive users read and write but not
// create instances. Each conversation is one request and one answer, every
// wait bounded, so that a client that stalls holds the next one up for a
// second or two at most and never the window's thread.
//
// The desktop program's side asks for the state each second on a thread of
// its own and passes its user's requests on. It talks only to a server
// that the caller says is the service's (a user could otherwise put up a
// pipe of that name while the service is stopped, show a calm UPS and
// swallow the requests).
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/window_channel.h"

namespace voltaris {

extern const wchar_t kWindowPipeName[];

class WindowPipeServer {
 public:
  // Called on the pipe's thread with each request but the state's, the
  // caller's account and whether it may make it: the window carries it out or records
  // the refusal, within a bound, and says whether it was carried out (the
  // caller is told; a request it could not carry out is never an "OK").
  using Carry = std::function<bool(const WindowRequest& request, const std::string& account, bool allowed)>;

  WindowPipeServer() = default;
  WindowPipeServer(const WindowPipeServer&) = delete;
  WindowPipeServer& operator=(const WindowPipeServer&) = delete;
  ~WindowPipeServer() { Stop(); }

  // False (with the error kept in `error`) when the pipe or its thread could not be made.
  bool Start(Carry carry, DWORD* error);
  // From the window's thread: the state given to the next who asks.
  void Publish(const ServiceState& state);
  void Stop();

 private:
  void Run();
  void Converse();
  std::string Answer(const std::string& request, bool tooLong);

  Carry carry_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE stop_ = nullptr;
  HANDLE io_ = nullptr;  // the overlapped calls' event, the thread's only
  std::thread thread_;
  std::mutex stateLock_;
  std::string state_;  // as written; empty until the first publish
  bool lostIdentity_ = false;  // the thread could not stop acting as a caller: it serves nobody more
};

// What the desktop side hands its window, one piece at a time.
struct ServiceNews {
  enum class Kind { State, Silent, Answer } kind = Kind::State;
  ServiceState state;                             // State
  WindowAsks asked = WindowAsks::State;           // Answer
  std::string answer;                             // Answer: "OK", "ERR ...", or empty when it never came
};

class ServiceWindowLink {
 public:
  static constexpr DWORD kAskEveryMs = 1000;
  // The longest one conversation of the link's thread takes: wait for a
  // busy pipe, send, read an answer the service takes its time to carry
  // out. One asked from the window's thread (AskNow) waits up to 2.2 s
  // longer for a busy pipe.
  static constexpr DWORD kConverseBoundMs = 4500;
  // A service that has not answered this many times running is said not to
  // run: one miss is a pipe busy with another user's window.
  static constexpr int kSilentAfterMisses = 3;

  using Deliver = std::function<void(ServiceNews)>;
  // Whether the process serving the pipe is the service's.
  using Trusted = std::function<bool(DWORD serverProcess)>;

  ServiceWindowLink() = default;
  ServiceWindowLink(const ServiceWindowLink&) = delete;
  ServiceWindowLink& operator=(const ServiceWindowLink&) = delete;
  ~ServiceWindowLink() { Stop(); }

  bool Start(Deliver deliver, Trusted trusted);
  // From the window's thread: passed on at once.
  void Ask(WindowAsks asks);
  // From the window's thread, for an answer the window waits for (a setting
  // saved): one conversation on the caller's thread, within its bound; the
  // answer, or empty when none came.
  std::string AskNow(const std::string& request);
  void Stop();

 private:
  void Run();
  std::optional<std::string> Converse(const std::string& request);
  bool Trust(DWORD server);
  void ForgetTrusted();

  Deliver deliver_;
  Trusted trusted_;
  // Asked once per server process, which is held open meanwhile so that its
  // id cannot be given to another: the question costs a look at every process.
  // Shared by the link's thread and the window's settings saved (AskNow).
  std::mutex trustLock_;
  DWORD trustedServer_ = 0;
  HANDLE trustedProcess_ = nullptr;
  HANDLE wake_ = nullptr;
  HANDLE stop_ = nullptr;
  std::thread thread_;
  std::mutex asksLock_;
  std::vector<WindowAsks> asks_;
};

// The rights of the account on the other end of a connected pipe, read from
// its own token while impersonating it; none when that cannot be done.
// `reverted` false: the thread is still acting as the caller, and must
// serve nobody more.
CallerRights RightsOfPipeClient(HANDLE pipe, bool* reverted);

}  // namespace voltaris

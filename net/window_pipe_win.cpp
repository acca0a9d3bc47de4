#include "net/window_pipe_win.h"

#include <vector>

#include <sddl.h>

namespace voltaris {

const wchar_t kWindowPipeName[] = L"\\\\.\\pipe\\Voltaris";

namespace {

// Administrators and the system all; interactive users read, write data
// and set the read mode, but not FILE_CREATE_PIPE_INSTANCE (a part of
// GENERIC_WRITE for a pipe), so that none can serve an instance of his own.
constexpr wchar_t kPipeSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12018b;;;IU)";
constexpr DWORD kClientAccess = GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES;
constexpr DWORD kRequestBoundMs = 500;  // a window sends its request as soon as it is connected
constexpr DWORD kAnswerBoundMs = 3000;   // longer than the window's thread takes to carry a request out
constexpr DWORD kWriteBoundMs = 1000;
constexpr DWORD kHangUpBoundMs = 1000;

// Ends an overlapped call started with `started`, waiting at most `ms` (or
// until `stop` is set): 0 once done, else why not. One that is not done in
// time is cancelled, and waited for, as its buffer is the caller's.
DWORD Finish(HANDLE file, OVERLAPPED& overlapped, BOOL started, DWORD ms, HANDLE stop, DWORD* moved) {
  *moved = 0;
  if (!started) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return error;
  }
  const HANDLE waits[] = {overlapped.hEvent, stop};
  const DWORD woke = WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, ms);
  if (woke != WAIT_OBJECT_0) {
    CancelIo(file);
    GetOverlappedResult(file, &overlapped, moved, TRUE);
    return woke == WAIT_TIMEOUT ? WAIT_TIMEOUT : ERROR_OPERATION_ABORTED;
  }
  return GetOverlappedResult(file, &overlapped, moved, FALSE) ? 0 : GetLastError();
}

DWORD Read(HANDLE file, HANDLE event, char* buffer, DWORD size, DWORD ms, HANDLE stop, DWORD* moved) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event;
  return Finish(file, overlapped, ReadFile(file, buffer, size, nullptr, &overlapped), ms, stop, moved);
}

DWORD Write(HANDLE file, HANDLE event, const std::string& text, DWORD ms, HANDLE stop) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event;
  DWORD moved = 0;
  const BOOL started = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), nullptr, &overlapped);
  const DWORD error = Finish(file, overlapped, started, ms, stop, &moved);
  return error ? error : moved == text.size() ? 0 : ERROR_WRITE_FAULT;
}

bool IsAdministrator(HANDLE token) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  const bool known = CheckTokenMembership(token, administrators, &member) != FALSE;
  FreeSid(administrators);
  return known && member;
}

// Held, enabled or not: a user who may shut Windows down has only to enable it.
bool HoldsPrivilege(HANDLE token, const wchar_t* name) {
  LUID wanted = {};
  if (!LookupPrivilegeValueW(nullptr, name, &wanted)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) return false;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID& held = privileges->Privileges[i].Luid;
    if (held.LowPart == wanted.LowPart && held.HighPart == wanted.HighPart) return true;
  }
  return false;
}

HANDLE CreatePipeInstance(DWORD* error) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    *error = GetLastError();
    return INVALID_HANDLE_VALUE;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const HANDLE pipe = CreateNamedPipeW(
      kWindowPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
      static_cast<DWORD>(kLongestServiceState), static_cast<DWORD>(kLongestWindowRequest), 0, &attributes);
  *error = pipe == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  LocalFree(descriptor);
  return pipe;
}

// One conversation as a window has it: connect (waiting up to `busyWaitMs`
// for a pipe busy with another window's conversation), check who serves,
// send, read the whole answer.
std::optional<std::string> ConverseWith(const std::string& request, const std::function<bool(DWORD)>& trust,
                                        HANDLE stop, DWORD busyWaitMs) {
  HANDLE pipe = CreateFileW(kWindowPipeName, kClientAccess, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PIPE_BUSY && WaitNamedPipeW(kWindowPipeName, busyWaitMs)) {
    pipe = CreateFileW(kWindowPipeName, kClientAccess, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  }
  if (pipe == INVALID_HANDLE_VALUE) return std::nullopt;
  ULONG server = 0;
  DWORD mode = PIPE_READMODE_MESSAGE;
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::optional<std::string> answer;
  if (event && GetNamedPipeServerProcessId(pipe, &server) && trust(server) &&
      SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) && Write(pipe, event, request, kWriteBoundMs, stop) == 0) {
    std::string buffer(kLongestServiceState, '\0');
    DWORD moved = 0;
    if (Read(pipe, event, buffer.data(), static_cast<DWORD>(buffer.size()), kAnswerBoundMs, stop, &moved) == 0) {
      buffer.resize(moved);
      answer = std::move(buffer);
    }
  }
  if (event) CloseHandle(event);
  CloseHandle(pipe);
  return answer;
}

}  // namespace

namespace {

// "DOMAIN\name" of the token's account, for the records of what it asked;
// empty when the account cannot be named.
std::string AccountOf(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) return "";
  char name[256], domain[256];
  DWORD nameSize = sizeof name, domainSize = sizeof domain;
  SID_NAME_USE use;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  if (!LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) return "";
  return domain[0] ? std::string(domain) + "\\" + name : std::string(name);
}

}  // namespace

CallerRights RightsOfPipeClient(HANDLE pipe, bool* reverted) {
  CallerRights rights;
  *reverted = true;
  if (!ImpersonateNamedPipeClient(pipe)) return rights;
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    rights.administrator = IsAdministrator(token);
    rights.mayShutDown = HoldsPrivilege(token, L"SeShutdownPrivilege");
    rights.account = AccountOf(token);
    CloseHandle(token);
  }
  // A thread left in the caller's shoes would serve everyone with his rights.
  *reverted = RevertToSelf() != FALSE;
  return *reverted ? rights : CallerRights{};
}

// ---- The service's side -------------------------------------------------------------

bool WindowPipeServer::Start(Carry carry, DWORD* error) {
  Stop();
  carry_ = std::move(carry);
  pipe_ = CreatePipeInstance(error);
  if (pipe_ == INVALID_HANDLE_VALUE) return false;
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  io_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!stop_ || !io_) {
    *error = GetLastError();
    Stop();
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void WindowPipeServer::Publish(const ServiceState& state) {
  std::string written = WriteServiceState(state);
  std::lock_guard<std::mutex> lock(stateLock_);
  state_.swap(written);
}

void WindowPipeServer::Stop() {
  if (thread_.joinable()) {
    SetEvent(stop_);
    thread_.join();
  }
  for (HANDLE* handle : {&stop_, &io_}) {
    if (*handle) CloseHandle(*handle);
    *handle = nullptr;
  }
  if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}

void WindowPipeServer::Run() {
  for (;;) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = io_;
    DWORD moved = 0;
    const BOOL started = ConnectNamedPipe(pipe_, &overlapped);
    DWORD error = !started && GetLastError() == ERROR_PIPE_CONNECTED
                      ? 0
                      : Finish(pipe_, overlapped, started, INFINITE, stop_, &moved);
    if (error == ERROR_OPERATION_ABORTED) return;
    if (!error) Converse();
    DisconnectNamedPipe(pipe_);
    if (lostIdentity_ || WaitForSingleObject(stop_, 0) != WAIT_TIMEOUT) return;
  }
}

// The client hangs up once it has the answer: waited for, so that the
// answer is not dropped with the connection.
void WindowPipeServer::Converse() {
  char request[kLongestWindowRequest + 1];
  DWORD moved = 0;
  const DWORD error = Read(pipe_, io_, request, sizeof request - 1, kRequestBoundMs, stop_, &moved);
  if (error && error != ERROR_MORE_DATA) return;
  const std::string line(request, moved);
  // The rest of a request too long is read and dropped: left in the pipe,
  // it would be taken for the client's hanging up.
  // Up to a bound: a client sending without end would hold the only instance.
  constexpr size_t kLongestDropped = 16 * kLongestWindowRequest;
  char rest[64];
  DWORD restMoved = 0;
  size_t dropped = 0;
  for (DWORD more = error; more == ERROR_MORE_DATA && dropped < kLongestDropped; dropped += restMoved) {
    more = Read(pipe_, io_, rest, sizeof rest, kRequestBoundMs, stop_, &restMoved);
  }
  if (dropped >= kLongestDropped) return;
  const std::string answer = Answer(line, error == ERROR_MORE_DATA);
  if (Write(pipe_, io_, answer, kWriteBoundMs, stop_)) return;
  Read(pipe_, io_, rest, 1, kHangUpBoundMs, stop_, &moved);
}

std::string WindowPipeServer::Answer(const std::string& line, bool tooLong) {
  RequestRefusal refusal = RequestRefusal::TooLong;
  const std::optional<WindowRequest> request = tooLong ? std::nullopt : ParseWindowRequest(line, &refusal);
  if (!request) return RefusalAnswer(refusal);
  if (request->asks == WindowAsks::State) {
    std::lock_guard<std::mutex> lock(stateLock_);
    return state_;
  }
  bool reverted = true;
  const CallerRights caller = RightsOfPipeClient(pipe_, &reverted);
  if (!reverted) {
    lostIdentity_ = true;
    return RefusalAnswer(RequestRefusal::NotAllowed);
  }
  const bool allowed = MayAsk(*request, caller);
  const bool carried = carry_(*request, caller.account, allowed);
  return RefusalAnswer(!allowed ? RequestRefusal::NotAllowed : carried ? RequestRefusal::None : RequestRefusal::NotNow);
}

// ---- The window's side --------------------------------------------------------------

bool ServiceWindowLink::Start(Deliver deliver, Trusted trusted) {
  Stop();
  deliver_ = std::move(deliver);
  trusted_ = std::move(trusted);
  wake_ = CreateEventW(nullptr, FALSE, TRUE, nullptr);  // set: the first state is asked for at once
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!wake_ || !stop_) {
    Stop();
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void ServiceWindowLink::Ask(WindowAsks asks) {
  {
    std::lock_guard<std::mutex> lock(asksLock_);
    asks_.push_back(asks);
  }
  if (wake_) SetEvent(wake_);
}

void ServiceWindowLink::Stop() {
  if (thread_.joinable()) {
    SetEvent(stop_);
    thread_.join();
  }
  {
    std::lock_guard<std::mutex> lock(trustLock_);
    ForgetTrusted();
  }
  for (HANDLE* handle : {&wake_, &stop_}) {
    if (*handle) CloseHandle(*handle);
    *handle = nullptr;
  }
}

void ServiceWindowLink::Run() {
  const HANDLE waits[] = {stop_, wake_};
  int misses = 0;
  while (WaitForMultipleObjects(2, waits, FALSE, kAskEveryMs) != WAIT_OBJECT_0) {
    std::vector<WindowAsks> asks;
    {
      std::lock_guard<std::mutex> lock(asksLock_);
      asks.swap(asks_);
    }
    for (WindowAsks asked : asks) {
      ServiceNews news{ServiceNews::Kind::Answer, {}, asked, Converse(RequestLine(asked)).value_or("")};
      deliver_(std::move(news));
    }
    const std::optional<std::string> answer = Converse(RequestLine(WindowAsks::State));
    std::optional<ServiceState> state = answer ? ReadServiceState(*answer) : std::nullopt;
    misses = state ? 0 : misses + 1;
    if (!state && misses < kSilentAfterMisses) continue;
    ServiceNews news;
    news.kind = state ? ServiceNews::Kind::State : ServiceNews::Kind::Silent;
    if (state) news.state = std::move(*state);
    deliver_(std::move(news));
  }
}

// The server is held open before it is asked about, so that the process
// asked about is the one that serves. One this account may not open is
// asked about each time.
bool ServiceWindowLink::Trust(DWORD server) {
  std::lock_guard<std::mutex> lock(trustLock_);
  const bool stillRunning = trustedProcess_ && WaitForSingleObject(trustedProcess_, 0) == WAIT_TIMEOUT;
  if (server != 0 && server == trustedServer_ && stillRunning) return true;
  ForgetTrusted();
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, server);
  if (!trusted_(server)) {
    if (process) CloseHandle(process);
    return false;
  }
  trustedProcess_ = process;
  trustedServer_ = process ? server : 0;
  return true;
}

void ServiceWindowLink::ForgetTrusted() {
  if (trustedProcess_) CloseHandle(trustedProcess_);
  trustedProcess_ = nullptr;
  trustedServer_ = 0;
}

// None when there is no trusted server, or no whole answer came within the bounds.
std::optional<std::string> ServiceWindowLink::Converse(const std::string& request) {
  // The state is asked again next second: a short wait keeps a stop prompt.
  constexpr DWORD kBusyWaitMs = 300;
  return ConverseWith(request, [this](DWORD server) { return Trust(server); }, stop_, kBusyWaitMs);
}

std::string ServiceWindowLink::AskNow(const std::string& request) {
  // A setting saved is not asked again: it waits out another window's
  // conversation, which the service may take up to its carry bound to end.
  constexpr DWORD kBusyWaitMs = 2500;
  if (!trusted_) return "";
  return ConverseWith(request, [this](DWORD server) { return Trust(server); }, nullptr, kBusyWaitMs).value_or("");
}

}  // namespace voltaris

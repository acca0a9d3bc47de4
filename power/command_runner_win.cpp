#include "power/command_runner_win.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "base/unwaited_thread.h"
#include "base/write_rights_win.h"

namespace voltaris {
namespace {

std::string UpperName(const std::string& entry) {
  std::string name = entry.substr(0, entry.find('=', 1));  // "=C:=C:\" entries begin with '='
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

// On a drive of this computer: a \\server\share path's Administrators are
// that server's, not this computer's, so its access list proves nothing.
bool IsLocalAbsolutePath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

// The file CreateProcess would start for the program, found as it finds it
// (".exe" added to a name without one), but only in Windows' own folders
// for a bare name, and only at its full path otherwise: a relative path
// would be looked for in folders the check never saw. None when not found.
std::optional<std::string> ProgramFile(const std::string& program) {
  std::string folders;
  if (IsBareProgramName(program)) {
    char system[MAX_PATH] = "", windows[MAX_PATH] = "";
    if (!GetSystemDirectoryA(system, MAX_PATH) || !GetWindowsDirectoryA(windows, MAX_PATH)) return std::nullopt;
    folders = std::string(system) + ";" + windows;
  } else if (!IsLocalAbsolutePath(program)) {
    return std::nullopt;
  }
  char found[MAX_PATH] = "";
  const DWORD length =
      SearchPathA(folders.empty() ? nullptr : folders.c_str(), program.c_str(), ".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::string(found);
}

// "C:\" for a file in a drive's root: "C:" alone is drive C's current folder.
std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return path.substr(0, cut == 2 && path[1] == ':' ? 3 : cut);
}

// What the command runs and what named it, as they stand now.
bool ChangedOnlyByAdministrators(const std::string& program, const std::string& installer,
                                 const std::string& settingsFolder) {
  char self[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return FirstChangeableByNonAdministrator({FolderOf(self), settingsFolder, settingsFolder + "\\UpsConfigure.ini",
                                            FolderOf(program), program},
                                           installer)
      .empty();
}

// The command line the service may run, or none: the program found and
// checked, named by its full path, quoted, so that the file checked is the
// file started.
std::optional<std::string> ForTheService(const CommandRequest& request, const std::string& installer,
                                         const std::string& settingsFolder) {
  const CommandProgram split = SplitCommand(request.commandLine);
  const std::optional<std::string> program = ProgramFile(split.program);
  if (!program || !ChangedOnlyByAdministrators(*program, installer, settingsFolder)) return std::nullopt;
  return QuoteArgument(*program) + split.arguments;
}

// Hidden, with no console, and never waited for. The handle is kept only to
// see whether the command has ended.
HANDLE StartProcess(const CommandRequest& request, bool service, const std::string& installer,
                    const std::string& settingsFolder) {
  const std::optional<std::string> commandLine =
      service ? ForTheService(request, installer, settingsFolder) : request.commandLine;
  if (!commandLine) return nullptr;
  char* current = GetEnvironmentStringsA();
  std::string environment = EnvironmentBlock(current, request.environment);
  if (current) FreeEnvironmentStringsA(current);
  std::vector<char> line(commandLine->begin(), commandLine->end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                      environment.data(), nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

}  // namespace

std::string EnvironmentBlock(const char* current, const std::vector<std::pair<std::string, std::string>>& added) {
  std::vector<std::string> overridden, entries;
  for (const auto& [name, value] : added) overridden.push_back(UpperName(name));
  for (const char* entry = current; entry && *entry; entry += std::char_traits<char>::length(entry) + 1) {
    if (std::find(overridden.begin(), overridden.end(), UpperName(entry)) == overridden.end()) entries.push_back(entry);
  }
  for (const auto& [name, value] : added) entries.push_back(name + "=" + value);
  std::stable_sort(entries.begin(), entries.end(),
                   [](const std::string& a, const std::string& b) { return UpperName(a) < UpperName(b); });
  std::string block;
  for (const std::string& entry : entries) block.append(entry).push_back('\0');
  block.push_back('\0');
  return block;
}

CommandRunner::CommandRunner() {
  StartUnwaited([shared = shared_] { Work(shared); });
}

CommandRunner::~CommandRunner() {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
    for (auto& [token, entry] : shared_->entries) {
      if (entry.process) CloseHandle(entry.process);
    }
    shared_->entries.clear();
  }
  shared_->wake.notify_all();
}

void CommandRunner::Work(std::shared_ptr<Shared> shared) {
  std::unique_lock<std::mutex> lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
    if (shared->stopping) return;
    auto [token, request] = std::move(shared->queue.front());
    shared->queue.pop_front();
    const bool service = shared->service;
    const std::string installer = shared->installer;
    const std::string settingsFolder = shared->settingsFolder;
    lock.unlock();
    HANDLE process = StartProcess(request, service, installer, settingsFolder);
    lock.lock();
    const auto it = shared->entries.find(token);
    if (it == shared->entries.end() || it->second.released || shared->stopping) {
      if (process) CloseHandle(process);
      if (it != shared->entries.end()) shared->entries.erase(it);
      continue;
    }
    it->second.process = process;
    it->second.state = process ? CommandState::Running : CommandState::NotStarted;
  }
}

void CommandRunner::RunAsTheService(const std::string& installer, const std::string& settingsFolder) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->service = true;
  shared_->installer = installer;
  shared_->settingsFolder = settingsFolder;
}

unsigned CommandRunner::Start(const CommandRequest& request) {
  const unsigned token = next_++;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->entries[token] = Entry{};
    shared_->queue.emplace_back(token, request);
  }
  shared_->wake.notify_one();
  return token;
}

CommandState CommandRunner::State(unsigned token) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  const auto it = shared_->entries.find(token);
  if (it == shared_->entries.end()) return CommandState::Ended;
  Entry& entry = it->second;
  if (entry.state == CommandState::Running && WaitForSingleObject(entry.process, 0) != WAIT_TIMEOUT) {
    entry.state = CommandState::Ended;
  }
  return entry.state;
}

void CommandRunner::Release(unsigned token) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  const auto it = shared_->entries.find(token);
  if (it == shared_->entries.end()) return;
  if (it->second.state == CommandState::Starting) {
    it->second.released = true;  // the thread closes its handle once the start is done
    return;
  }
  if (it->second.process) CloseHandle(it->second.process);
  shared_->entries.erase(it);
}

}  // namespace voltaris

#include "power/command_runner_win.h"

#include <cctype>
#include <vector>

namespace voltaris {
namespace {

std::string UpperName(const std::string& entry) {
  std::string name = entry.substr(0, entry.find('=', 1));  // "=C:=C:\" entries begin with '='
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

std::string EnvironmentBlock(const char* current, const std::vector<std::pair<std::string, std::string>>& added) {
  std::vector<std::string> overridden;
  for (const auto& [name, value] : added) overridden.push_back(UpperName(name));
  std::string block;
  for (const char* entry = current; entry && *entry; entry += std::char_traits<char>::length(entry) + 1) {
    bool replaced = false;
    for (const std::string& name : overridden) replaced = replaced || UpperName(entry) == name;
    if (!replaced) block.append(entry).push_back('\0');
  }
  for (const auto& [name, value] : added) block.append(name + "=" + value).push_back('\0');
  block.push_back('\0');
  return block;
}

CommandRunner::~CommandRunner() {
  for (const auto& process : processes_) CloseHandle(process.second);
}

// Hidden, with no console, and never waited for. The handle is kept only to
// see whether the command has ended.
bool CommandRunner::Start(const CommandRequest& request, unsigned& token) {
  char* current = GetEnvironmentStringsA();
  std::string environment = EnvironmentBlock(current, request.environment);
  if (current) FreeEnvironmentStringsA(current);
  std::vector<char> line(request.commandLine.begin(), request.commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                      environment.data(), nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  token = next_++;
  processes_[token] = process.hProcess;
  return true;
}

bool CommandRunner::Running(unsigned token) {
  const auto it = processes_.find(token);
  return it != processes_.end() && WaitForSingleObject(it->second, 0) == WAIT_TIMEOUT;
}

void CommandRunner::Release(unsigned token) {
  const auto it = processes_.find(token);
  if (it == processes_.end()) return;
  CloseHandle(it->second);
  processes_.erase(it);
}

}  // namespace voltaris

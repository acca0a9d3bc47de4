// Event commands run as real hidden processes: started without waiting,
// watched by handle, told about their event in their environment.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "base/write_rights_win.h"
#include "power/command_runner_win.h"

using namespace voltaris;

namespace {

// The state once it is no longer `passing`, or `passing` after `ms`.
CommandState StateAfter(CommandRunner& runner, unsigned token, CommandState passing, DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  CommandState state = runner.State(token);
  while (state == passing && static_cast<LONG>(until - GetTickCount()) > 0) {
    Sleep(20);
    state = runner.State(token);
  }
  return state;
}

}  // namespace

TEST(CommandRunner, ACommandSeesItsVariablesOverThoseOfTheProgramAndEnds) {
  SetEnvironmentVariableA("NOTIFYTYPE", "stale");
  DeleteFileA("runner-out.txt");
  CommandRunner runner;
  CommandRequest request;
  request.commandLine = "cmd /c echo %NOTIFYTYPE% %VOLTARIS_TEXT%>runner-out.txt";
  request.environment = {{"NOTIFYTYPE", "ONBATT"}, {"VOLTARIS_TEXT", "AC Fail!"}};
  const unsigned token = runner.Start(request);
  ASSERT_NE(StateAfter(runner, token, CommandState::Starting, 10000), CommandState::NotStarted);
  ASSERT_EQ(StateAfter(runner, token, CommandState::Running, 10000), CommandState::Ended);
  std::string line;
  std::getline(std::ifstream("runner-out.txt"), line);
  EXPECT_EQ(line, "ONBATT AC Fail!");
  runner.Release(token);
}

// Starts are made one after another on the runner's thread; one that
// cannot be made, or is forgotten before it is made, leaves the next alone.
TEST(CommandRunner, StartsQueueOnItsThreadAndAMissingProgramIsToldApart) {
  CommandRunner runner;
  const unsigned missing = runner.Start({"C:\\no\\such\\program.exe \"  AC Fail!\"", {}});
  const unsigned forgotten = runner.Start({"cmd /c exit 0", {}});
  runner.Release(forgotten);
  const unsigned fine = runner.Start({"cmd /c exit 0", {}});
  EXPECT_EQ(StateAfter(runner, missing, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_NE(StateAfter(runner, fine, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_EQ(StateAfter(runner, fine, CommandState::Running, 10000), CommandState::Ended);
}

// The service's runner finds a name without a folder in Windows' own
// folders only: a batch file standing beside the program is not started
// from there, while the desktop's runner does start it; cmd is found in
// the system's folder by both.
TEST(CommandRunner, TheServicesRunnerLooksForABareNameInTheSystemsFoldersOnly) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string beside = path;
  beside = beside.substr(0, beside.find_last_of('\\') + 1) + "voltaris-beside.cmd";
  std::ofstream(beside) << "@exit 0\r\n";
  CommandRunner desktop, service;
  service.RunAsTheService(ProcessUserSid(), beside.substr(0, beside.find_last_of('\\')));
  const unsigned fromDesktop = desktop.Start({"voltaris-beside.cmd", {}});
  const unsigned fromService = service.Start({"voltaris-beside.cmd", {}});
  const unsigned systemsOwn = service.Start({"cmd /c exit 0", {}});
  // A relative path would be looked for in folders never checked; a full
  // path without its extension is found as Windows finds it.
  const unsigned relative = service.Start({".\\voltaris-beside.cmd", {}});
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  const unsigned noExtension = service.Start({std::string(system) + "\\cmd /c exit 0", {}});
  EXPECT_EQ(StateAfter(service, relative, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_NE(StateAfter(service, noExtension, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_NE(StateAfter(desktop, fromDesktop, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_EQ(StateAfter(service, fromService, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_NE(StateAfter(service, systemsOwn, CommandState::Starting, 10000), CommandState::NotStarted);
  EXPECT_EQ(StateAfter(service, systemsOwn, CommandState::Running, 10000), CommandState::Ended);
  StateAfter(desktop, fromDesktop, CommandState::Running, 10000);
  DeleteFileA(beside.c_str());
}

TEST(CommandRunner, TheBlockReplacesVariablesWhateverTheirCase) {
  const char current[] = "Path=C:\\x\0notifytype=old\0=C:=C:\\\0\0";
  const std::string block = EnvironmentBlock(current, {{"NOTIFYTYPE", "FSD"}});
  EXPECT_EQ(block, std::string("=C:=C:\\\0NOTIFYTYPE=FSD\0Path=C:\\x\0\0", 34));  // sorted by name
}

// Event commands run as real hidden processes: started without waiting,
// watched by handle, told about their event in their environment.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "power/command_runner_win.h"

using namespace voltaris;

namespace {

bool EndsWithin(CommandRunner& runner, unsigned token, DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  while (runner.Running(token)) {
    if (static_cast<LONG>(until - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
  return true;
}

}  // namespace

TEST(CommandRunner, ACommandSeesItsVariablesOverThoseOfTheProgramAndEnds) {
  SetEnvironmentVariableA("NOTIFYTYPE", "stale");
  DeleteFileA("runner-out.txt");
  CommandRunner runner;
  CommandRequest request;
  request.commandLine = "cmd /c echo %NOTIFYTYPE% %VOLTARIS_TEXT%>runner-out.txt";
  request.environment = {{"NOTIFYTYPE", "ONBATT"}, {"VOLTARIS_TEXT", "AC Fail!"}};
  unsigned token = 0;
  ASSERT_TRUE(runner.Start(request, token));
  ASSERT_TRUE(EndsWithin(runner, token, 10000));
  std::string line;
  std::getline(std::ifstream("runner-out.txt"), line);
  EXPECT_EQ(line, "ONBATT AC Fail!");
  runner.Release(token);
  EXPECT_FALSE(runner.Running(token));
}

TEST(CommandRunner, AProgramThatIsNotThereCannotStart) {
  CommandRunner runner;
  unsigned token = 0;
  EXPECT_FALSE(runner.Start({"C:\\no\\such\\program.exe \"  AC Fail!\"", {}}, token));
}

TEST(CommandRunner, TheBlockReplacesVariablesWhateverTheirCase) {
  const char current[] = "Path=C:\\x\0notifytype=old\0=C:=C:\\\0\0";
  const std::string block = EnvironmentBlock(current, {{"NOTIFYTYPE", "FSD"}});
  EXPECT_EQ(block, std::string("Path=C:\\x\0=C:=C:\\\0NOTIFYTYPE=FSD\0\0", 34));
}

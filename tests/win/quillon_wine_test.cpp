// quillon.dll against the UPS simulator in its TCP mode (run by
// tests/e2e/quillon.sh, which writes quillon.ini and serves the hand-shakes
// that stop and restart the simulator).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "quillon/quillon_api.h"

namespace {

template <typename Fn>
Fn Entry(const char* name) {
  static HMODULE module = LoadLibraryA("quillon.dll");
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int Present() { return Entry<HidHandleFn>("HidHandle")(1); }
void Output(int code) {
  char scratch[16] = {};
  Entry<CmdOutputFn>("CmdOutput")(code, scratch);
}
std::string Input() {
  char reply[55] = {};
  int scratch = 0;
  Entry<CmdInputFn>("CmdInput")(reply, &scratch);
  return reply;
}
int SendText(const char* text) {
  int scratch = 0;
  return Entry<CmdtestFn>("Cmdtest")(text, &scratch);
}

// Hand-shake with the script through files in a shared folder.
std::string Shared(const char* name) { return std::string("Z:") + std::getenv("VOLTARIS_HANDSHAKE") + "/" + name; }
void Signal(const char* name) {
  HANDLE f = CreateFileA(Shared(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
}
bool WaitFor(const char* name, DWORD ms = 15000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50)) {
    if (GetFileAttributesA(Shared(name).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  }
  return false;
}

}  // namespace

TEST(QuillonWithSimulator, QueriesReturnTheRepliesWithOneLeadByte) {
  ASSERT_EQ(Present(), 1);
  Output(3);
  const std::string rating = Input();
  EXPECT_EQ(rating.size(), 23u);
  EXPECT_EQ(rating.substr(1), "#220.0 005 12.00 50.0\r");
  Output(1);
  const std::string status = Input();
  EXPECT_EQ(status.size(), 48u);
  EXPECT_EQ(status[1], '(');
}

TEST(QuillonWithSimulator, CommandsReachTheUps) {
  // The script reads the simulator's command log afterwards.
  Output(4);
  Output(5);
  Output(7);
  SendText("T05\r");
  SendText("RS.2R9999\r");
  SendText("R00100075");
  Output(1);  // a last query, so the commands above are in the log before this test ends
  EXPECT_EQ(Input().size(), 48u);
}

TEST(QuillonWithSimulator, TwoThreadsAtOnceNeitherCrashNorMixReplies) {
  std::atomic<int> wrong{0};
  auto run = [&wrong](int code, size_t length) {
    for (int i = 0; i < 1000; ++i) {
      Output(code);
      if (Input().size() != length) ++wrong;
    }
  };
  std::thread status(run, 1, 48u);
  std::thread rating(run, 3, 23u);
  status.join();
  rating.join();
  EXPECT_EQ(wrong, 0);
}

// Run by the script alone against a unit the DLL refuses (a fuji played):
// no device, and the unit named right after, on this thread only.
TEST(QuillonRefusingAUnit, NoDeviceAndTheUnitNamedAfterTheRefusalsLeadByte) {
  EXPECT_EQ(Present(), 0);
  EXPECT_EQ(Input(), std::string(1, QUILLON_REFUSED_LEAD_BYTE) + "ATCL FOR UPS ATCL FOR UPS");
  std::string elsewhere = "unset";
  std::thread([&elsewhere] { elsewhere = Input(); }).join();
  EXPECT_EQ(elsewhere, "");
  Output(1);
  EXPECT_EQ(Input(), "");
  EXPECT_EQ(SendText("RS.1R9999\r"), 0);  // not sent: no such result as "may have been sent"
}

TEST(QuillonWithSimulator, DeviceGoneAndBackAgain) {
  ASSERT_EQ(Present(), 1);
  Signal("stop-simulator");
  ASSERT_TRUE(WaitFor("simulator-stopped"));
  EXPECT_EQ(Present(), 0);
  Output(1);
  EXPECT_EQ(Input(), "");
  Signal("start-simulator");
  ASSERT_TRUE(WaitFor("simulator-started"));
  int present = 0;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && !present; Sleep(100)) present = Present();
  EXPECT_EQ(present, 1);
  Output(1);
  EXPECT_EQ(Input().size(), 48u);
}

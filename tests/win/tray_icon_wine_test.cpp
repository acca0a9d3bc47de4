// The tray icon must stay reachable: the main window starts hidden, so an
// icon the shell lost or refused would leave no way to the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/tray_icon_win.h"

using namespace voltaris;

namespace {

// The shell as the icon sees it: refuses the first `refusals` adds.
struct FakeShell {
  int refusals = 0;
  std::vector<DWORD> calls;
  std::vector<bool> balloons;  // whether each call carried a balloon
};
FakeShell* gShell = nullptr;

BOOL WINAPI FakeNotify(DWORD what, PNOTIFYICONDATAA data) {
  gShell->calls.push_back(what);
  gShell->balloons.push_back((data->uFlags & NIF_INFO) != 0 && data->cbSize >= NOTIFYICONDATAA_V2_SIZE);
  if (what == NIM_ADD && gShell->refusals > 0) {
    --gShell->refusals;
    return FALSE;
  }
  return TRUE;
}

TrayIcon* gTray = nullptr;

LRESULT CALLBACK TestWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gTray && gTray->OnMessage(message, wParam)) return 0;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gShell = &shell;
    gTray = &tray;
    WNDCLASSA kind = {};
    kind.lpfnWndProc = TestWindow;
    kind.hInstance = GetModuleHandleA(nullptr);
    kind.lpszClassName = "TrayIconTest";
    RegisterClassA(&kind);
    window = CreateWindowA("TrayIconTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, kind.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    tray.Remove();
    DestroyWindow(window);
    gTray = nullptr;
  }
  // Runs the window's messages for `ms` real milliseconds.
  void Pump(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(5);
    }
  }
  int Count(DWORD what) const {
    int n = 0;
    for (DWORD call : shell.calls) n += call == what;
    return n;
  }

  FakeShell shell;
  TrayIcon tray{FakeNotify, 20};
  HWND window = nullptr;
};

TEST_F(TrayIconTest, ARefusedIconIsOfferedAgainUntilTheShellTakesIt) {
  shell.refusals = 2;
  EXPECT_FALSE(tray.Add(window, 7, nullptr, nullptr));
  Pump(400);
  EXPECT_TRUE(tray.Added());
  EXPECT_EQ(Count(NIM_ADD), 3);  // and no more once taken: the retry timer is gone
}

TEST_F(TrayIconTest, ARestartedShellGetsTheIconAgain) {
  ASSERT_TRUE(tray.Add(window, 7, nullptr, nullptr));
  SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(Count(NIM_ADD), 2);
  EXPECT_TRUE(tray.Added());
  // A shell that still has it is asked to forget it first, or the add would fail.
  EXPECT_EQ(Count(NIM_DELETE), 1);
}

TEST_F(TrayIconTest, NothingIsOfferedAfterTheIconWasRemoved) {
  shell.refusals = 100;
  EXPECT_FALSE(tray.Add(window, 7, nullptr, nullptr));
  tray.Remove();
  SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  Pump(200);
  EXPECT_EQ(Count(NIM_ADD), 1);
}

}  // namespace

// A balloon is shown once: the tip's next change or the shell's restart must
// not bring it back.
TEST_F(TrayIconTest, ABalloonIsShownOnceAndRecorded) {
  ASSERT_TRUE(tray.Add(window, 7, nullptr, nullptr));
  tray.ShowBalloon("Voltaris", "Mains power is back.", false);
  ASSERT_EQ(shell.calls.back(), static_cast<DWORD>(NIM_MODIFY));
  EXPECT_TRUE(shell.balloons.back());
  tray.SetTip("Voltaris: on mains");
  EXPECT_FALSE(shell.balloons.back());
  SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_FALSE(shell.balloons.back());
  EXPECT_EQ(tray.LastBalloon(), "1\tVoltaris\tMains power is back.");
}

// "Special Time Selftest": the minutes of the timed self-test, with an
// up-down control; its painted OK saves them and starts the test.
#pragma once

#include <windows.h>

#include <functional>

#include "gui/dialog_win.h"

#include "power/self_tests.h"

namespace voltaris {

class TimedTestDialog : public SkinnedDialog {
 public:
  void Attach(HINSTANCE instance, HWND owner, SelfTests& tests, const ConfigFile& config) {
    instance_ = instance;
    owner_ = owner;
    tests_ = &tests;
    config_ = &config;
  }
  // Command 40016: opens the dialog unless it is open.
  void Open();
  // A window on the service: the minutes saved, the test is the service's to start.
  void StartElsewhere(std::function<void()> start) { startElsewhere_ = std::move(start); }

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void OnOk();
  void Close();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  SelfTests* tests_ = nullptr;
  const ConfigFile* config_ = nullptr;
  std::function<void()> startElsewhere_;
};

}  // namespace voltaris

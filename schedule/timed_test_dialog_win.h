// "Special Time Selftest": the minutes of the timed self-test, with an
// up-down control; its painted OK saves them and starts the test.
#pragma once

#include <windows.h>

#include "schedule/self_tests.h"

namespace voltaris {

class TimedTestDialog {
 public:
  void Attach(HINSTANCE instance, SelfTests& tests, const ConfigFile& config) {
    instance_ = instance;
    tests_ = &tests;
    config_ = &config;
  }
  // Command 40016: opens the dialog unless it is open.
  void Open();
  bool IsOpen() const { return hwnd_ != nullptr; }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit(HWND hwnd);
  void Paint();
  void OnOk();
  void Close();

  HINSTANCE instance_ = nullptr;
  SelfTests* tests_ = nullptr;
  const ConfigFile* config_ = nullptr;
  HWND hwnd_ = nullptr;
  HFONT labelFont_ = nullptr;
  bool overOk_ = false;
};

}  // namespace voltaris

// The binding to the USB link library quillon.dll: loaded by name at start-up
// whatever the link kind, its four entry points looked up by name. A missing
// library or entry point leaves a null address, and the call wrappers below
// then behave as "no device" instead of calling it.
#pragma once

#include <windows.h>

#include "quillon/quillon_api.h"

namespace voltaris {

class LinkLibrary {
 public:
  static constexpr char kFileName[] = "quillon.dll";

  // Loads the library and looks up its entry points; false when it cannot
  // be loaded (the caller tells the user; start-up goes on).
  bool Load(const char* fileName = kFileName);
  void Unload();

  bool Loaded() const { return module_ != nullptr; }
  bool HasHidHandle() const { return hidHandle_ != nullptr; }
  bool HasCmdOutput() const { return cmdOutput_ != nullptr; }
  bool HasCmdInput() const { return cmdInput_ != nullptr; }
  bool HasCmdtest() const { return cmdtest_ != nullptr; }

  // 0 when the entry point is missing: no device.
  int HidHandle() const;
  void CmdOutput(int code) const;
  // Fills `reply` (55 bytes, zeroed here); empty when the entry point is missing.
  void CmdInput(char* reply) const;
  // The library's result; 0 when the entry point is missing.
  int Cmdtest(const char* text) const;

 private:
  HMODULE module_ = nullptr;
  HidHandleFn hidHandle_ = nullptr;
  CmdOutputFn cmdOutput_ = nullptr;
  CmdInputFn cmdInput_ = nullptr;
  CmdtestFn cmdtest_ = nullptr;
};

}  // namespace voltaris

#include "ups/link_library_win.h"

#include <cstring>

#include "ups/ups_protocol.h"

namespace voltaris {
namespace {

template <typename Fn>
Fn EntryPoint(HMODULE module, const char* name) {
  // GetProcAddress returns a generic function pointer; the library's own
  // header fixes the real signature.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool LinkLibrary::Load(const char* fileName) {
  module_ = LoadLibraryA(fileName);
  if (module_ == nullptr) return false;
  hidHandle_ = EntryPoint<HidHandleFn>(module_, "HidHandle");
  cmdOutput_ = EntryPoint<CmdOutputFn>(module_, "CmdOutput");
  cmdInput_ = EntryPoint<CmdInputFn>(module_, "CmdInput");
  cmdtest_ = EntryPoint<CmdtestFn>(module_, "Cmdtest");
  return true;
}

void LinkLibrary::Unload() {
  hidHandle_ = nullptr;
  cmdOutput_ = nullptr;
  cmdInput_ = nullptr;
  cmdtest_ = nullptr;
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
}

int LinkLibrary::HidHandle() const { return hidHandle_ ? hidHandle_(1) : 0; }

void LinkLibrary::CmdOutput(int code) const {
  char scratch[64] = {};
  if (cmdOutput_) cmdOutput_(code, scratch);
}

void LinkLibrary::CmdInput(char* reply) const {
  std::memset(reply, 0, kUsbReplyBufferBytes);
  int scratch = 0;
  if (cmdInput_) cmdInput_(reply, &scratch);
}

int LinkLibrary::Cmdtest(const char* text) const {
  int scratch = 0;
  return cmdtest_ ? cmdtest_(text, &scratch) : 0;
}

}  // namespace voltaris

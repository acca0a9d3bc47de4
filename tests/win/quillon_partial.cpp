// A link library lacking HidHandle, for the binding's tests.
#include "quillon/quillon_api.h"

#include <cstring>

extern "C" {
__declspec(dllexport) int QUILLON_CALL CmdOutput(int, void*) { return 0; }
__declspec(dllexport) int QUILLON_CALL CmdInput(char* reply, int*) {
  std::strcpy(reply, "Xpartial");
  return 0;
}
__declspec(dllexport) int QUILLON_CALL Cmdtest(const char*, int*) { return 0; }
}

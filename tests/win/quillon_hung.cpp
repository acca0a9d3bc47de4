// A link library whose CmdInput never returns, as a driver that hangs: for
// the way out, which must not wait for it.
#include <windows.h>

#include "quillon/quillon_api.h"

extern "C" {
__declspec(dllexport) int QUILLON_CALL HidHandle(int) { return 1; }
__declspec(dllexport) int QUILLON_CALL CmdOutput(int, void*) { return 0; }
__declspec(dllexport) int QUILLON_CALL CmdInput(char*, int*) {
  Sleep(INFINITE);
  return 0;
}
__declspec(dllexport) int QUILLON_CALL Cmdtest(const char*, int*) { return 0; }
}

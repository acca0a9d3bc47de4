// quillon.dll: the USB link library. An empty shell for now: no device is
// ever present, and the other calls do nothing.
#include <windows.h>

#include "quillon/quillon_api.h"

extern "C" {

int QUILLON_CALL HidHandle(int) { return 0; }
int QUILLON_CALL CmdOutput(int, void*) { return 0; }
int QUILLON_CALL CmdInput(char* reply, int*) {
  if (reply != nullptr) reply[0] = '\0';
  return 0;
}
int QUILLON_CALL Cmdtest(const char*, int*) { return 0; }

}  // extern "C"

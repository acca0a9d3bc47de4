// The four entry points of the USB link library quillon.dll.
//
// Calling convention: __stdcall (WINAPI) with plain C names, exported through
// quillon.def so the names stay undecorated on every Windows target; on
// x86-64 there is only one convention and __stdcall is a no-op. The program
// binds them by name with GetProcAddress and calls them through these types.
#pragma once

#define QUILLON_CALL __stdcall

#ifdef __cplusplus
extern "C" {
#endif

// Non-zero when a UPS is present and usable. `always1` is always 1.
typedef int(QUILLON_CALL* HidHandleFn)(int always1);
// Sends the command of `code` (1 status, 3 rating, 4 ten-second test,
// 5 test until battery low, 7 cancel test). `scratch` is the caller's.
typedef int(QUILLON_CALL* CmdOutputFn)(int code, void* scratch);
// Copies the UPS's last reply, with one leading byte, into `reply` (55 bytes,
// zeroed by the caller) as a 0-terminated text; empty when there is none.
typedef int(QUILLON_CALL* CmdInputFn)(char* reply, int* scratch);
// Sends a command text (timed self-test, switch-off forms).
typedef int(QUILLON_CALL* CmdtestFn)(const char* text, int* scratch);

#ifdef __cplusplus
}
#endif

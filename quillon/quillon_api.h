// The four entry points of the USB link library quillon.dll.
//
// Calling convention: __stdcall (WINAPI) with plain C names, exported through
// quillon.def so the names stay undecorated on every Windows target; on
// x86-64 there is only one convention and __stdcall is a no-op. The program
// binds them by name with GetProcAddress and calls them through these types.
//
// Threads: the program calls from its monitor thread and its user-interface
// thread without a lock of its own; the library serialises the calls (one
// exchange with the unit at a time), and each thread's CmdInput gives the
// reply to that thread's own last query. No call waits for a unit for more
// than about three seconds (a command may take a second to go out, then its
// reply two); a unit unplugged in the middle of one ends it within about a
// second, and the next HidHandle says 0.
//
// The reply text of CmdInput: one leading byte, then the UPS's reply line
// with its CR (48 characters for the status reply, 23 for the rating
// reply). The leading byte names the way the reply came and is never 0:
//   'H'  a serial-over-HID unit (the reply read from its input reports)
//   'S'  a string-index unit (the reply read as a string descriptor)
//   'U'  the UPS simulator's plain TCP line
// The text is empty when the query got no reply.
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
// Copies the UPS's last reply, with its leading byte (above), into `reply`
// (55 bytes, zeroed by the caller) as a 0-terminated text; empty when there
// is none.
typedef int(QUILLON_CALL* CmdInputFn)(char* reply, int* scratch);
// Sends a command text (timed self-test, switch-off forms). A string-index
// unit cannot carry these: they are not sent to it.
typedef int(QUILLON_CALL* CmdtestFn)(const char* text, int* scratch);

#ifdef __cplusplus
}
#endif

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
//
// A unit the library refuses (one that speaks another protocol, told by its
// manufacturer and product strings): HidHandle says 0, as when there is no
// unit, and a CmdInput right after it, on the same thread, gives the lead
// byte QUILLON_REFUSED_LEAD_BYTE followed by the unit's manufacturer and
// product strings, a blank between them (as far as the buffer holds them,
// printable ASCII only, no CR). No reply ever begins with that byte. A
// caller that never asks keeps seeing no unit; a library that does not know
// this word never gives that byte, so the caller sees no unit either.
//
// Cmdtest's result: QUILLON_CMDTEST_MAY_HAVE_BEEN_SENT when the command went
// out only in part, or its last report could not be confirmed (a switch-off
// of two output reports whose second one the unit would not take, even
// after being tried again): the unit may act on it. The rest is sent before
// anything else, at the next calls. Any other result (0) tells nothing: the
// command was sent, or not at all (refused, no unit). The value is one no
// count, flag or error code gives by chance.
#pragma once

#ifdef _WIN32
#define QUILLON_CALL __stdcall
#else
#define QUILLON_CALL  // the portable link logic shares the constants below
#endif

#define QUILLON_REFUSED_LEAD_BYTE 0x15  // ASCII NAK
#define QUILLON_CMDTEST_MAY_HAVE_BEEN_SENT 0x4D415953  // "MAYS"

#ifdef __cplusplus
extern "C" {
#endif

// Non-zero when a UPS is present and usable. `always1` is always 1. When 0,
// CmdInput may name a unit refused (above).
typedef int(QUILLON_CALL* HidHandleFn)(int always1);
// Sends the command of `code` (1 status, 3 rating, 4 ten-second test,
// 5 test until battery low, 7 cancel test). `scratch` is the caller's.
typedef int(QUILLON_CALL* CmdOutputFn)(int code, void* scratch);
// Copies the UPS's last reply, with its leading byte (above), into `reply`
// (55 bytes, zeroed by the caller) as a 0-terminated text; empty when there
// is none.
typedef int(QUILLON_CALL* CmdInputFn)(char* reply, int* scratch);
// Sends a command text (timed self-test, switch-off forms). A string-index
// unit cannot carry these: they are not sent to it. Returns
// QUILLON_CMDTEST_MAY_HAVE_BEEN_SENT or 0 (above).
typedef int(QUILLON_CALL* CmdtestFn)(const char* text, int* scratch);

#ifdef __cplusplus
}
#endif

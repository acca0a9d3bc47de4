// Threads the program does not wait for.
//
// A thread is never detached at a moment it may be ending. With MinGW's
// threads, the ending thread's last clean-up can then run on the record the
// detach has already handed back for the next thread made, and close that
// thread's handles. So a thread is detached while it is still held at a
// gate, before it can end, or it is kept, unjoined, to the program's end.
#pragma once

#include <functional>
#include <thread>

namespace voltaris {

// Runs `work` on a thread of its own, detached before `work` begins.
// Throws std::system_error when no thread can be made.
void StartUnwaited(std::function<void()> work);

// Keeps a thread that may end at any moment, never joined: for a thread
// given up on once, as the program ends.
void KeepUnjoined(std::thread thread);

}  // namespace voltaris

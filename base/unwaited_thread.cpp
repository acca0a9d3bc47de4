#include "base/unwaited_thread.h"

#include <future>
#include <mutex>
#include <vector>

namespace voltaris {

void StartUnwaited(std::function<void()> work) {
  std::promise<void> gate;
  std::thread thread([opened = gate.get_future(), work = std::move(work)]() mutable {
    opened.wait();
    work();
  });
  thread.detach();
  gate.set_value();
}

void KeepUnjoined(std::thread thread) {
  static std::mutex* const mutex = new std::mutex;
  // Never destroyed: a joinable thread's destructor would end the program.
  static std::vector<std::thread>* const kept = new std::vector<std::thread>;
  std::lock_guard<std::mutex> lock(*mutex);
  kept->push_back(std::move(thread));
}

}  // namespace voltaris

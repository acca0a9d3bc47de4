// What the count-downs need from the outside: their windows, and the end of
// the program in a system shutdown.
#pragma once

#include <cstddef>
#include <string>

#include "i18n/catalogue.h"

namespace voltaris {

enum class CountdownWindow { MainsFail, BatteryLow, Manual, Schedule, TenSecondTest, UntilLowTest, TimedTest, Drill };
constexpr size_t kCountdownWindowCount = static_cast<size_t>(CountdownWindow::Drill) + 1;
enum class Triangle { Red, Yellow };

// What a count-down window shows, decided at each drawing.
struct CountdownPicture {
  std::string markLine;    // at (40,60): what kind of window this is, where it is not what it seems
  std::string alarmLine;   // at (alarmX, 80)
  std::string normalLine;  // at (40,100), instead of the count line
  bool showCount = false;  // the count line at (countX, 100)
  int seconds = 0;
  int alarmX = 40, countX = 10;
  std::string countPrefix = Tr(Text::ShutdownAfter);
  std::string countSuffix = Tr(Text::Seconds);
  std::string runtimeLine;  // the battery's estimated runtime, under the count line
};

// The prefix, the seconds and the suffix (" Seconds").
std::string CountLine(const CountdownPicture& picture);

// A rectangle of client pixels, both corners inside.

// The count-down windows. Opening creates, shows and places a window (it
// then asks its count-down what to draw); closing destroys it.
class CountdownViews {
 public:
  virtual ~CountdownViews() = default;
  virtual bool IsOpen(CountdownWindow window) const = 0;
  virtual void Open(CountdownWindow window) = 0;
  virtual void Close(CountdownWindow window) = 0;
  // Draws the triangle for about half a second and the window's lines afresh.
  virtual void Blink(CountdownWindow window, Triangle triangle) = 0;
};

// The system shutdown at the end of a count, once the shutdown gate lets it
// through: the program ends in order (rows written or journalled,
// "  Program End"), then the operating system is shut down.
class ShutdownPort {
 public:
  virtual ~ShutdownPort() = default;
  virtual void EndAndShutDown() = 0;
};

}  // namespace voltaris

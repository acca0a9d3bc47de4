// The date and time texts the records are written with, and the event line.
#pragma once

#include <optional>
#include <string>

#include "base/local_clock.h"

namespace voltaris {

std::string PlainDate(const LocalDateTime& t);  // 2007-3-5
std::string DayKey(const LocalDateTime& t);     // 2007-03-05
std::string PlainTime(const LocalDateTime& t);  // 9:5:7
// The moment a plain date and time name, as written above; nothing when
// either is not one (a field of digits out of range included).
std::optional<LocalDateTime> ReadPlainDateTime(const std::string& date, const std::string& time);
std::string EventTime(const LocalDateTime& t);  // 9:05:07

// Plain date, two spaces, event time, then the text (which brings its own
// two leading spaces): "2007-3-5  9:05:07  Program Start".
std::string MakeEventLine(const std::string& text, const LocalDateTime& t);

}  // namespace voltaris

#include "app/clock_texts.h"

#include <cstdio>

#include "i18n/catalogue.h"

namespace voltaris {

ClockTexts ClockTextsOf(const LocalDateTime& now) {
  char date[32], time[16];
  std::snprintf(date, sizeof date, "%d - %02d - %02d", now.year, now.month, now.day);
  std::snprintf(time, sizeof time, "%d:%02d:%02d", now.hour, now.minute, now.second);
  // The catalogue's days run Monday to Sunday; the clock's week starts on Sunday.
  const bool known = now.weekday >= 0 && now.weekday < 7;
  return {date, known ? Tr(static_cast<Text>(static_cast<int>(Text::Monday) + (now.weekday + 6) % 7)) : "", time};
}

}  // namespace voltaris

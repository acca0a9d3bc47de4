#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <string>

#include "power/event_log.h"
#include "res/resource_ids.h"

using namespace voltaris;

// The rows an administrator looks for in Windows' log, each under its id;
// a detail after the text is the same row; the program's other rows stay
// out. Every id has its message in the table the program carries, and
// every message there an id.
TEST(EventLog, TheRowsAdministratorsLookForUnderTheirIdsWithAMessageForEach) {
  const struct {
    const char* row;
    uint32_t id;
    EventLogLevel level;
  } logged[] = {
      {"  Service Start", 1, EventLogLevel::Information},
      {"  Service Stop", 2, EventLogLevel::Information},
      {"  AC Fail!", 10, EventLogLevel::Warning},
      {"  AC Restore!", 11, EventLogLevel::Information},
      {"  BatteryLow Low!", 12, EventLogLevel::Warning},
      {"  Forced Shutdown By The UPS Server", 14, EventLogLevel::Warning},
      {"  System Shutdown Refused!", 21, EventLogLevel::Error},
      {"  System Shutdown Not Carried Out, Asked Again!", 22, EventLogLevel::Error},
      {"  Network UPS: Wrong User Or Password!", 31, EventLogLevel::Error},
      {"  Setting Out Of Range: BatteryTime", 32, EventLogLevel::Warning},
      {"  UPS Switch-Off May Have Been Sent", 33, EventLogLevel::Warning},
      {"  Event Command Not Started: C:\\hooks\\onbatt.cmd", 40, EventLogLevel::Error},
      {"  Event Command Too Long, Not Run: MainsFailed", 40, EventLogLevel::Error},
  };
  for (const auto& each : logged) {
    const std::optional<EventLogEntry> entry = EventLogEntryForRow(each.row);
    ASSERT_TRUE(entry) << each.row;
    EXPECT_EQ(entry->id, each.id) << each.row;
    EXPECT_EQ(entry->level, each.level) << each.row;
  }
  for (const char* row : {"  Program Start", "  COM UPS is Connected!", "  Drill: Simulated AC Fail", "  AC", "",
                          "  USB UPS Not Supported: ATCL FOR UPS ATCL FOR UPS"}) {
    EXPECT_FALSE(EventLogEntryForRow(row)) << row;
  }

  std::set<uint32_t> ids;
  for (const EventLogEntry& own : kOwnEntries) ids.insert(own.id);
  size_t count = 0;
  const EventLogRow* rows = EventLogRows(&count);
  for (size_t i = 0; i < count; ++i) ids.insert(rows[i].entry.id);
  std::ifstream file(VOLTARIS_RES_DIR "/event_messages.mc");
  ASSERT_TRUE(file);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::set<uint32_t> messages;
  const std::regex messageId("MessageId=([0-9]+)");
  for (auto found = std::sregex_iterator(text.begin(), text.end(), messageId); found != std::sregex_iterator(); ++found) {
    messages.insert(static_cast<uint32_t>(std::stoul((*found)[1])));
  }
  EXPECT_EQ(ids, messages);
}

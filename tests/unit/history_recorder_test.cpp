// The history rows: texts, the first-row marks, the status rule and its notes.
#include <gtest/gtest.h>

#include "power/timer_ids.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

// b7..b3 of the reply set from `bits`; the battery voltage and rating as given.
std::string Reply(const std::string& bits, const std::string& battery = "13.6", const std::string& temperature = "25.0") {
  return "(220.4 220.0 219.7 012 50.1 " + battery + " " + temperature + " " + bits + "000\r";
}

struct HistoryRig : EngineRig {
  HistoryRig() {
    Settings("[AlarmMessage]\nSpecialTimeTest=2\n");
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
    engine.OnSerialRead(true, "#220.0 005 24.00 50.0\r");
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    store.ReadAll(RecordTable::History, LastingColumns(RecordTable::History), [&rows](const auto& r) {
      std::string line;
      for (size_t i = 2; i < r.size(); ++i) line += (i > 2 ? "|" : "") + r[i];
      rows.push_back(line);
    });
    return rows;
  }
  // One connected tick with the UPS answering `reply`; the row's Status column.
  std::string Tick(const std::string& reply, unsigned timer = kTimerHistorySerialUp) {
    engine.OnSerialRead(true, reply);
    const size_t before = Rows().size();
    table.Dispatch(timer);
    const auto rows = Rows();
    if (rows.size() == before) return "<no row>";
    return rows.back().substr(rows.back().rfind('|') + 1);
  }
  std::string Offline(unsigned timer = kTimerHistorySerialDown) {
    table.Dispatch(timer);
    return Rows().back();
  }
};

}  // namespace

TEST(HistoryRecorder, ConnectedRowTextsAndFirstRowMarks) {
  HistoryRig rig;
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS is Connected!");
  EXPECT_EQ(rig.Rows().back(), "220 V|219 V|12%   |50%   |25 C|50 Hz|UPS is Connected!");
  EXPECT_EQ(rig.Tick(Reply("00001")), " ");
  EXPECT_EQ(rig.Offline(), "N/A|N/A|0%|0%|N/A|N/A|UPS is DisConnected!");
  EXPECT_EQ(rig.Offline(), "N/A|N/A|0%|0%|N/A|N/A| ");  // two not-connected ticks: the second is blank
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS is Connected!");  // the first after a not-connected row
  EXPECT_EQ(rig.Offline(), "N/A|N/A|0%|0%|N/A|N/A|UPS is DisConnected!");
  EXPECT_EQ(rig.Tick(Reply("00001"), kTimerHistoryUsbUp), "UPS is Connected!");  // each timer its own mark
}

// A row for every tick while the UPS answers; a temperature of 5 degrees or
// less, or none, keeps its column with the reading unknown.
TEST(HistoryRecorder, ATemperatureOfFiveOrNoNumberKeepsTheRowWithTheTemperatureUnknown) {
  HistoryRig rig;
  rig.Offline();
  rig.parts.history.Notes().batteryLowOpened = true;
  EXPECT_EQ(rig.Tick(Reply("00001", "13.6", "05.0")), "UPS Battery Low!");
  EXPECT_EQ(rig.Rows().back(), "220 V|219 V|12%   |50%   |-- C|50 Hz|UPS Battery Low!");
  rig.Tick(Reply("00001", "13.6", "--.-"));
  EXPECT_EQ(rig.Rows().back(), "220 V|219 V|12%   |50%   |-- C|50 Hz| ");
  rig.Tick(Reply("00001", "13.6", "06.0"));  // 6 is above the limit
  EXPECT_EQ(rig.Rows().back(), "220 V|219 V|12%   |50%   |6 C|50 Hz| ");
  EXPECT_EQ(rig.Offline(), "N/A|N/A|0%|0%|N/A|N/A|UPS is DisConnected!");
}

TEST(HistoryRecorder, BatteryFullThresholdsFor24Volts) {
  HistoryRig rig;
  auto level = [&rig](const std::string& bits, const std::string& volts) {
    rig.Tick(Reply(bits, volts));
    const std::string row = rig.Rows().back();
    return row.substr(row.find("%   |") + 5, row.find("|", row.find("%   |") + 5) - row.find("%   |") - 5);
  };
  EXPECT_EQ(level("10001", "26.5"), "100%");     // on battery: above 26.0
  EXPECT_EQ(level("10001", "26.0"), "100%   ");  // 26.0 is not above 26.0: the level text
  EXPECT_EQ(level("00001", "26.5"), "98%   ");   // on mains: not above 27.0
  EXPECT_EQ(level("00001", "27.0"), "100%   ");
  EXPECT_EQ(level("00001", "27.2"), "100%");
}

TEST(HistoryRecorder, StatusRulesWhenTheFlagsChangeAndBlanksWhenTheyDoNot) {
  HistoryRig rig;
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS is Connected!");
  EXPECT_EQ(rig.Tick(Reply("10001")), "Ac Fail!");
  EXPECT_EQ(rig.Tick(Reply("10001")), " ");
  EXPECT_EQ(rig.Tick(Reply("00001")), "Ac Restore!");
  EXPECT_EQ(rig.Tick(Reply("01001")), "Battery Low!");
  EXPECT_EQ(rig.Tick(Reply("00011")), "UPS is Failed!");
  EXPECT_EQ(rig.Tick(Reply("00000")), "UPS Type is On_Line!");
  rig.parts.history.Notes().batteryLowOpened = true;
  EXPECT_EQ(rig.Tick(Reply("00000")), " ");  // on-line, unchanged: the note waits
  EXPECT_TRUE(rig.parts.history.Notes().batteryLowOpened);
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS Battery Low!");
  EXPECT_EQ(rig.Tick(Reply("00001")), " ");
}

TEST(HistoryRecorder, TheFirstPendingNoteIsWrittenTheOthersWait) {
  HistoryRig rig;
  rig.Tick(Reply("00001"));
  HistoryNotes& notes = rig.parts.history.Notes();
  notes.timedTestStarted = notes.batteryLowOpened = notes.tenSecondTestStarted = notes.tillLowTestStarted = true;
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS Self Test Still Battrey Low!");
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS Self Test 10 Seconds!");
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS Battery Low!");
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS Self Test 2 Minutes!");
  rig.Settings("[AlarmMessage]\nSpecialTimeTest=1\n");
  notes.timedTestStarted = true;
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS Self Test 1 Minute!");
}

TEST(HistoryRecorder, ANewRunStartsEveryTimerWithItsFirstRow) {
  HistoryRig rig;
  rig.Tick(Reply("00001"));
  EXPECT_EQ(rig.Tick(Reply("00001")), " ");
  rig.parts.history.BeginRun();
  EXPECT_EQ(rig.Tick(Reply("00001")), "UPS is Connected!");
}

// The tenth column: the runtime estimate in whole minutes (here the first
// guess for a full 24 V battery at 12 %), "N/A" while the UPS does not answer.
TEST(HistoryRecorder, TheLastColumnIsTheRuntimeEstimate) {
  HistoryRig rig;
  rig.parts.battery.Start(rig.store);
  rig.engine.OnSerialRead(true, Reply("00001", "27.2"));
  rig.Run(1000);
  rig.Tick(Reply("00001", "27.2"));
  rig.Offline();
  std::vector<std::string> runtimes;
  rig.store.ReadAll(RecordTable::History, InfoOf(RecordTable::History).columns,
                    [&runtimes](const auto& r) { runtimes.push_back(r[9]); });
  EXPECT_EQ(runtimes, (std::vector<std::string>{"25 min", "N/A"}));
}

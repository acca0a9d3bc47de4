// Record store costs: a durable append, streaming a million history rows,
// and a daily count on a short and a very long MonthRecord table, against
// what rewriting that table whole for each count would cost.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "base/csv.h"
#include "base/durable_file.h"
#include "records/record_store.h"

namespace {

class FixedClock : public voltaris::LocalClock {
 public:
  voltaris::LocalDateTime Now() const override { return {2026, 12, 8, 9, 5, 7, 2}; }
};

std::string NewFolder() {
  char pattern[] = "/tmp/voltaris-bench-XXXXXX";
  return mkdtemp(pattern);
}

void RemoveFolder(const std::string& dir) { std::system(("rm -rf " + dir).c_str()); }

void BM_AppendEventWithFlush(benchmark::State& state) {
  const std::string dir = NewFolder();
  FixedClock clock;
  voltaris::RecordStore store(dir, clock);
  for (auto _ : state) store.AppendEvent("  COM UPS is Connected!");
  RemoveFolder(dir);
}
BENCHMARK(BM_AppendEventWithFlush)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_ReadAllMillionHistoryRows(benchmark::State& state) {
  const std::string dir = NewFolder();
  FixedClock clock;
  voltaris::RecordStore store(dir, clock);
  {
    std::ofstream out(store.PathOf(voltaris::RecordTable::History), std::ios::binary);
    out << voltaris::EncodeCsvRow(voltaris::InfoOf(voltaris::RecordTable::History).columns);
    for (int i = 0; i < 1000000; ++i) {
      out << "2026-12-8," << i % 24 << ":" << i % 60 << ":" << i % 60
          << ",220,219,12,99.50,25.0,50.0,Normal\r\n";
    }
  }
  const auto& columns = voltaris::InfoOf(voltaris::RecordTable::History).columns;
  for (auto _ : state) {
    size_t rows = 0;
    store.ReadAll(voltaris::RecordTable::History, columns, [&rows](const auto&) { ++rows; });
    if (rows != 1000000) state.SkipWithError("wrong row count");
  }
  RemoveFolder(dir);
}
BENCHMARK(BM_ReadAllMillionHistoryRows)->Iterations(3)->Unit(benchmark::kMillisecond);

void WriteDailyTable(const std::string& path, int64_t rows) {
  std::ofstream out(path, std::ios::binary);
  out << "Date,Battery Low,AC Fail,Schedule Down\r\n";
  for (int64_t day = rows - 1; day > 0; --day) out << "1990-01-" << day << ",0,1,0\r\n";
  out << "2026-12-08,0,1,0\r\n";  // today is the last row
}

void BM_IncrementDailyCount(benchmark::State& state) {
  const std::string dir = NewFolder();
  FixedClock clock;
  voltaris::RecordStore store(dir, clock);
  WriteDailyTable(store.PathOf(voltaris::RecordTable::Daily), state.range(0));
  for (auto _ : state) store.IncrementDailyCount(voltaris::DailyColumn::AcFail);
  RemoveFolder(dir);
}
BENCHMARK(BM_IncrementDailyCount)->Arg(100)->Arg(100000)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The other way to count without mixed digits after a crash: read the table,
// change its last row and replace the file atomically.
void BM_RewriteDailyTableWhole(benchmark::State& state) {
  const std::string dir = NewFolder();
  const std::string path = dir + "/MonthRecord.csv";
  WriteDailyTable(path, state.range(0));
  for (auto _ : state) {
    std::string table = *voltaris::ReadWholeFile(path);
    const size_t last = table.rfind('\n', table.size() - 2) + 1;
    table.replace(last, std::string::npos, "2026-12-08,0,2,0\r\n");
    if (voltaris::ReplaceFileAtomically(path, table)) state.SkipWithError("write failed");
  }
  RemoveFolder(dir);
}
BENCHMARK(BM_RewriteDailyTableWhole)->Arg(100)->Arg(100000)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

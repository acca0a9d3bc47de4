#include <benchmark/benchmark.h>

#include "ups/line_timing.h"

static void BM_LineTimeOfStatusReply(benchmark::State& state) {
  voltaris::LineFormat format;
  for (auto _ : state) benchmark::DoNotOptimize(voltaris::LineTimeMicros(format, 47));
}
BENCHMARK(BM_LineTimeOfStatusReply);

#!/usr/bin/env bash
# Measures the program's CPU use while it monitors a UPS answering at
# 2400 bit/s, and whether every status reply in that time was accepted.
# Usage: bench/measure-monitor-cpu.sh [SECONDS] (default 60). Needs the
# native and cross builds (tools/run-tests.sh or the two presets).
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
export VOLTARIS_E2E_ROOT=$root/build/native/e2e VOLTARIS_DIST=$root/dist
export VOLTARIS_INSPECT=$root/build/cross/tools/inspector/inspect.exe
export VOLTARIS_UPSSIM=$root/build/native/tools/upssim/upssim
VOLTARIS_E2E_ROOT=$VOLTARIS_E2E_ROOT "$root/tests/e2e/make-template.sh" >/dev/null
source "$root/tests/e2e/lib.sh"
e2e_init measure_cpu $((seconds + 120))
e2e_sim --rate 2400
e2e_install en
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
sleep 3

tr "\0" " " <"/proc/$APP_PID/cmdline" | grep -q Voltaris.exe || fail "process $APP_PID is not the program"
cpu_ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
# Nanoseconds on the CPU per thread of the program: "tid name ns".
thread_ns() {
  local t
  for t in /proc/$APP_PID/task/*; do
    echo "$(basename "$t") $(tr -d ' ' <"$t/comm") $(cut -d' ' -f1 "$t/schedstat")"
  done
}
queries() { grep -c ' Q1$' "$SIM_LOG"; }
ticks0=$(cpu_ticks); threads0=$(thread_ns); replies0=$(inspect replies Voltaris); queries0=$(queries); start=$(date +%s.%N)
sleep "$seconds"
ticks1=$(cpu_ticks); threads1=$(thread_ns); replies1=$(inspect replies Voltaris); queries1=$(queries); end=$(date +%s.%N)

hz=$(getconf CLK_TCK)
awk -v t=$((ticks1 - ticks0)) -v hz="$hz" -v s="$start" -v e="$end" \
  'BEGIN { printf "CPU: %.2f %% of one core over %.1f s\n", 100 * t / hz / (e - s), e - s }'
echo "status queries sent: $((queries1 - queries0)), status replies accepted: $((replies1 - replies0))"
# The busiest threads (the user-interface thread is the process's first).
join <(sort <<<"$threads0") <(sort <<<"$threads1") |
  awk -v s="$start" -v e="$end" '{ d = ($5 - $3) / 1e9; if (d > 0.001) printf "  thread %s %s: %.2f %%\n", $1, $2, 100 * d / (e - s) }'

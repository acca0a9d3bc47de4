#!/usr/bin/env bash
# Measures how long a mains failure takes to reach the event log: from the
# simulated UPS's mains failing to the "  AC Fail!" row in EventRecord.csv,
# with CutACTimeMessage 1, at 2400 bit/s, over TRIALS failures (default 20).
# Prints each time and the median, 95th percentile and largest.
# Needs the native and cross builds (tools/run-tests.sh or the two presets).
root=$(cd "$(dirname "$0")/.." && pwd)
trials=${1:-20}
export VOLTARIS_E2E_ROOT=$root/build/native/e2e VOLTARIS_DIST=$root/dist
export VOLTARIS_INSPECT=$root/build/cross/tools/inspector/inspect.exe
export VOLTARIS_UPSSIM=$root/build/native/tools/upssim/upssim
"$root/tests/e2e/make-template.sh" >/dev/null
source "$root/tests/e2e/lib.sh"
e2e_init measure_ac_fail $((trials * 20 + 60))
e2e_sim --rate 2400
e2e_install en
set_setting CutACTimeMessage 1
set_setting BatteryTime 30
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
sleep 2

now_ms() { echo $(($(date +%s%N) / 1000000)); }
times=()
for trial in $(seq "$trials"); do
  start=$(now_ms)
  sim_control "mains fail" >/dev/null
  until [ "$(count_event "  AC Fail!")" -ge "$trial" ]; do
    [ $(($(now_ms) - start)) -gt 10000 ] && fail "trial $trial: no \"  AC Fail!\" within 10 s"
    sleep 0.01
  done
  times+=($(($(now_ms) - start)))
  echo "trial $trial: ${times[-1]} ms"
  sim_control "mains ok" >/dev/null
  # The window closes on the fifth tick with the mains back, and the warning is armed again.
  wait_until 15 countdowns_open 0 || fail "trial $trial: the window stayed open"
  sleep 1
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
  p95 = t[int(0.95 * NR + 0.999)]
  printf "mains fail to \"  AC Fail!\" over %d trials: median %d ms, 95th percentile %d ms, largest %d ms\n",
         NR, t[int((NR + 1) / 2)], p95, t[NR] }'

#!/usr/bin/env bash
# Measures the program following a UPS that NUT's upsd serves (the dummy-ups
# driver, tests/e2e/nut_lib.sh), logged in as a secondary:
#  (a) over TRIALS failures (default 12): from upsd serving OB (upsc polled
#      every 0.1 s) to the "  AC Fail!" row (the records file polled every
#      0.05 s), less CutACTimeMessage (1 s), the first warning's own delay;
#      median, 95th percentile (goal: at most 1.5 s) and largest;
#  (b) the processor time of the program while following, against the floor
#      program doing the same traffic (bench/cpu_probe_win.cpp: one login,
#      then LIST VAR each second), SECONDS each (default 60), alternated over
#      ROUNDS (default 3), the lowest of each counting, with their ratio;
#  (c) from `upsmon -c fsd` on a primary beside it to the program's
#      "  Forced Shutdown By The UPS Server" row and to the end of its Wine
#      session (its system shutdown).
# Usage: bench/measure-network-follow.sh [TRIALS] [SECONDS] [ROUNDS]
# Needs the native and cross builds and the packages nut-server and nut-client.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
trials=${1:-12}
seconds=${2:-60}
rounds=${3:-3}
settle=5
cut_ac_ms=1000
source "$root/bench/cpu_lib.sh"
source "$root/tests/e2e/nut_lib.sh"
e2e_init measure_network_follow $((trials * 25 + (seconds + settle + 30) * 2 * (rounds + 1) + 180))
nut_server_start input.voltage=230.0 output.voltage=229.0 ups.load=35 battery.charge=100 input.frequency=50.0
e2e_install en
set_setting CutACTimeMessage $((cut_ac_ms / 1000))
follow_network_ups
cp "$probe_exe" "$RUN/cpu_probe.exe"
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# percentiles LABEL VALUE...: median, 95th percentile and largest, in ms.
percentiles() {
  local label=$1
  shift
  printf '%s\n' "$@" | sort -n | awk -v l="$label" '{ t[NR] = $1 } END {
    printf "%s over %d: median %d ms, 95th percentile %d ms, largest %d ms\n", l, NR, t[int((NR + 1) / 2)],
           t[int(0.95 * NR + 0.999)], t[NR] }'
}

connected=0
start_following() {
  e2e_start_app
  connected=$((connected + 1))
  wait_event 30 "  Network UPS is Connected!" "$connected" >/dev/null || fail "the program never connected"
}

# dummy-ups looks at its file about every 2 s and the program polls each second,
# both on their own clocks: within a run the one's look falls at nearly the
# same point of the other's second, so the trials of a run measure nearly
# one phase, and runs differ by up to the poll (0 to 1 s, plus the reading's
# way through the program).
echo "(a) upsd serving OB to \"  AC Fail!\", less CutACTimeMessage $cut_ac_ms ms"
start_following
sleep 2
times=()
for trial in $(seq "$trials"); do
  nut_write_dev ups.status=OB
  written=$(now_ms)
  until nut_shows ups.status OB; do
    [ $(($(now_ms) - written)) -gt 10000 ] && fail "trial $trial: upsd did not serve OB within 10 s"
    sleep 0.1
  done
  served=$(now_ms)
  until [ "$(count_event "  AC Fail!")" -ge "$trial" ]; do
    [ $(($(now_ms) - served)) -gt 10000 ] && fail "trial $trial: no \"  AC Fail!\" within 10 s"
    sleep 0.05
  done
  times+=($(($(now_ms) - served - cut_ac_ms)))
  echo "  trial $trial: ${times[-1]} ms"
  nut_set ups.status=OL
  wait_event 15 "  AC Restore!" "$trial" || fail "trial $trial: no \"  AC Restore!\""
  wait_until 15 countdowns_open 0 || fail "trial $trial: the window stayed open"
  sleep 1
done
percentiles "  trials" "${times[@]}"
echo "  goal: 95th percentile at most 1500 ms"

echo "(b) processor time while following, against the floor program"
stop_pid "$APP_PID"
measure_voltaris() {  # sets v
  start_following
  sleep "$settle"
  v=$(cpu_share "$APP_PID" "$seconds")
  stop_pid "$APP_PID"
}
measure_floor() {  # sets p
  (cd "$RUN" && exec wine "$RUN/cpu_probe.exe" "nut:$NUT_PORT:$NUT_UPS:monuser:pass" >>"$RUN/probe.log" 2>&1) &
  local pid=$!
  E2E_PIDS+=("$pid")
  sleep "$settle"
  kill -0 "$pid" 2>/dev/null || fail "the floor program ended: $(cat "$RUN/probe.log")"
  p=$(cpu_share "$pid" "$seconds")
  stop_pid "$pid"
}
# Wine warms up with a throwaway round (not counted).
seconds_saved=$seconds
seconds=10
measure_voltaris
measure_floor
seconds=$seconds_saved
best_v='' best_p=''
for round in $(seq "$rounds"); do
  measure_voltaris
  measure_floor
  echo "  round $round: Voltaris $v %, floor $p % of one core over $seconds s"
  best_v=$(lower "$v" "$best_v")
  best_p=$(lower "$p" "$best_p")
done
awk -v v="$best_v" -v p="$best_p" -v r="$rounds" \
  'BEGIN { printf "  lowest of %d rounds: Voltaris %.3f %%, floor %.3f %%, ratio %.2f\n", r, v, p, v / p }'

echo "(c) upsmon -c fsd on the primary to the program's forced shutdown"
nut_upsmon_primary_start 30
start_following
wait_until 10 nut_numlogins_is 2 || fail "logins with the primary: $(nut_numlogins)"
sleep 2
asked=$(now_ms)
nut_upsmon_fsd || fail "upsmon -c fsd failed"
until has_event "  Forced Shutdown By The UPS Server"; do
  [ $(($(now_ms) - asked)) -gt 15000 ] && fail "no forced shutdown recorded within 15 s"
  sleep 0.05
done
recorded=$(now_ms)
app_gone 15 || fail "the program was still running 15 s after the forced shutdown"
gone=$(now_ms)
echo "  to the row: $((recorded - asked)) ms; to the end of the session: $((gone - asked)) ms"

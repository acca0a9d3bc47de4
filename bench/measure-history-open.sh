#!/usr/bin/env bash
# Measures how long the "History Data" window takes to open on a history
# table of ROWS rows (default 1000000): from command 40007 to the list
# reporting every row, as the inspector reads it, over TRIALS openings
# (default 3). The figure includes starting the inspector twice (the
# command, then one look that waits for the count), about 0.1 s. Prints each
# time and the median.
# Needs the native and cross builds (tools/run-tests.sh or the two presets).
root=$(cd "$(dirname "$0")/.." && pwd)
rows=${1:-1000000}
trials=${2:-3}
export VOLTARIS_E2E_ROOT=$root/build/native/e2e VOLTARIS_DIST=$root/dist
export VOLTARIS_INSPECT=$root/build/cross/tools/inspector/inspect.exe
export VOLTARIS_UPSSIM=$root/build/native/tools/upssim/upssim
"$root/tests/e2e/make-template.sh" >/dev/null
source "$root/tests/e2e/lib.sh"
e2e_init measure_history_open $((trials * 30 + 90))
e2e_sim
e2e_install en
set_setting HistoryZiLiao 0  # the table stays as written here
awk -v n="$rows" 'BEGIN {
  printf "Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status\r\n"
  for (i = 1; i <= n; i++)
    printf "2026-12-%d,%d:%d:%d,%d V,220 V,35%%   ,80%%,25 C,50 Hz,UPS is Connected!\r\n",
           1 + i % 28, i % 24, i % 60, (i / 60) % 60, 200 + i % 40
}' >"$APP_DIR/HistorRecord.csv"
e2e_log "table: $rows rows, $(($(stat -c %s "$APP_DIR/HistorRecord.csv") / 1000000)) MB"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

W='#32770/History Data'
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The program's processor time so far (user and system, all its threads), in
# ms: what the opening costs whatever else the machine is doing.
program=$(pgrep -f "$APP_DIR/Voltaris.exe" | head -n 1)
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$program/stat"; }
times=()
cpus=()
for trial in $(seq "$trials"); do
  cpu=$(cpu_ms)
  start=$(now_ms)
  inspect command Voltaris 40007 >/dev/null
  inspect wait "$W" exists 20000 >/dev/null || fail "trial $trial: no window"
  inspect listcount "$W" 1086 "$rows" 20000 >/dev/null || fail "trial $trial: the list never held $rows rows"
  times+=($(($(now_ms) - start)))
  cpus+=($(($(cpu_ms) - cpu)))
  echo "trial $trial: ${times[-1]} ms (the program's processor time: ${cpus[-1]} ms)"
  expect_eq "$(inspect listrow "$W" 1086 $((rows - 1)) | cut -f9)" "UPS is Connected!" "last row's status"
  inspect close "$W" >/dev/null
  wait_until 10 inspect wait "$W" gone 200 || fail "trial $trial: the window stayed"
done
rm -f "$APP_DIR/HistorRecord.csv"  # tens of megabytes
median() { printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] " ms, largest " t[NR] " ms" }'; }
echo "command 40007 to a list of $rows rows over $trials openings: median $(median "${times[@]}")"
echo "the program's processor time for it: median $(median "${cpus[@]}")"
echo "load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"

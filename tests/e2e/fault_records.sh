#!/usr/bin/env bash
# Faults around the records, each while Voltaris monitors the simulator, each
# checked for "keeps working, nothing lost":
# - the event file made unwritable (a folder in its place) while link events
#   happen, then Windows ends the session; a restart with the file back has
#   every row, in order, once;
# - the program killed mid-run with a torn last line left behind: the
#   fragment is set aside, no row is doubled;
# - UpsConfigure.ini read-only, and a second copy started: monitoring goes on.
source "$(dirname "$0")/lib.sh"
e2e_init fault_records 240
e2e_sim
e2e_install en
table=$APP_DIR/EventRecord.csv

e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

e2e_log "the event file becomes a folder; the UPS goes silent and comes back"
mv "$table" "$table.away"
mkdir "$table"
sim_control unplug >/dev/null
wait_until 20 grep -q "UPS is DisConnected!" "$table.pending" || fail "the lost link was not journalled"
# The user is told once, by a box that names the file.
store_box() {
  local handle
  for handle in $(inspect windows '#32770' | awk '/visible/ {print $1}'); do
    inspect children "$handle" | grep -q 'EventRecord.csv' && return 0
  done
  return 1
}
wait_until 15 store_box || fail "no box about the records waiting"
sim_control plug >/dev/null
wait_until 20 grep -q "COM UPS is Connected!" "$table.pending" || fail "the link's return was not journalled"
sleep 2
expect_eq "$(inspect windows '#32770' | grep visible | while read -r h _; do inspect children "$h"; done |
             grep -c 'EventRecord.csv')" 1 "boxes about the records"

e2e_log "Windows ends the session"
wine wineboot --end-session >>"$RUN/wineboot.log" 2>&1
app_gone 20 || fail "the program outlived the session"
grep -q "Program End" "$table.pending" || fail "\"  Program End\" was not journalled: $(cat "$table.pending")"

e2e_log "the file is back; the program starts again"
rmdir "$table"
mv "$table.away" "$table"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" 3 || fail "never connected again: $(events)"
expected="  Program Start
  COM UPS is Connected!
  UPS is DisConnected!
  COM UPS is Connected!
  Program End
  Program Start
  COM UPS is Connected!"
expect_eq "$(events)" "$expected" "events after the restart"
for leftover in pending moving commit base; do [ -e "$table.$leftover" ] && fail "$table.$leftover left behind"; done

e2e_log "killed mid-run with a torn line; the settings file read-only"
kill -9 "$APP_PID"
app_gone 10 || fail "the program was not killed"
printf '2026-12-8  10:0' >>"$table"
chmod a-w "$APP_DIR/UpsConfigure.ini"
e2e_start_app
wait_event 30 "  Program Start" 3 || fail "did not start again"
wait_event 30 "  COM UPS is Connected!" 4 || fail "no monitoring with a read-only settings file: $(events)"
expect_eq "$(cat "$table.torn" | tr -d '\r')" "2026-12-8  10:0" "the fragment set aside"
events | grep -q "10:0$" && fail "the fragment is shown as a row"
doubled=$(tail -n +2 "$table" | sort | uniq -d)
[ -z "$doubled" ] || fail "rows doubled: $doubled"

e2e_log "a second copy"
(cd "$APP_DIR" && timeout 20 wine "$APP_DIR/Voltaris.exe" >>"$RUN/second.log" 2>&1) || fail "the second copy failed"
expect_eq "$(count_event "  Program Start")" 3 "starts recorded"
still_monitoring 10 || fail "the first copy stopped monitoring"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "did not end"
expect_eq "$(events | tail -n 1)" "  Program End" "last event"
expect_eq "$(count_event "  Program End")" 2 "ends recorded"

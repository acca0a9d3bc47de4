#!/usr/bin/env bash
# What the program tells besides its own windows, and the drill. A mains
# failure and its return each show a balloon, change the tray tip and run the
# configured command once, hidden, with the event's text, kind, NUT name and
# readings (the command writes them to a file read here). Then the drill from
# the Control Center: its window marked as a drill, its own events and
# command, its report at the end, no "  AC Fail!", no daily count, no
# shutdown, and the program still watching the UPS.
source "$(dirname "$0")/lib.sh"
e2e_init notify_drill 150
e2e_sim
e2e_install en
set_setting CutACTimeMessage 1
set_setting BatteryTime 5
printf '[Notify]\r\nCommand=notify.cmd\r\nDrillSeconds=10\r\n' >>"$APP_DIR/UpsConfigure.ini"
printf '@echo off\r\necho [%%*] NOTIFYTYPE=%%NOTIFYTYPE%% UPSNAME=%%UPSNAME%% DRILL=%%VOLTARIS_DRILL%%>>notify-out.txt\r\n' \
  >"$APP_DIR/notify.cmd"
out=$APP_DIR/notify-out.txt
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
tip_is() { [ "$(inspect traytip Voltaris)" = "$1" ]; }
wait_until 10 tip_is "Voltaris: on mains" || fail "tray tip on mains: '$(inspect traytip Voltaris)'"
commands_run() { [ "$(wc -l <"$out" 2>/dev/null || echo 0)" -ge "$1" ]; }

sim_control "mains fail" >/dev/null
wait_event 10 "  AC Fail!" || fail "no \"  AC Fail!\" event"
wait_until 10 commands_run 1 || fail "the command did not run on the failure"
line=$(sed -n 1p "$out" | tr -d '\r')
e2e_log "failure: $line"
[[ "$line" == '["  AC Fail!" "MainsFailed" "ONBATT" "'*'" "0" "300" "000.0" "'*'" "50.0"] NOTIFYTYPE=ONBATT UPSNAME=voltaris DRILL=0' ]] ||
  fail "the failure's command line: $line"
expect_eq "$(inspect balloon Voltaris)" $'1\tVoltaris\tMains power failed: the UPS runs on its battery. Shutdown in 5 min.' "balloon"
on_battery_tip() { [[ "$(inspect traytip Voltaris)" == "Voltaris: on battery, shutdown in "[45]" min; about "* ]]; }
wait_until 5 on_battery_tip || fail "tray tip on battery: '$(inspect traytip Voltaris)'"

sim_control "mains ok" >/dev/null
wait_event 10 "  AC Restore!" || fail "no \"  AC Restore!\" event"
wait_until 10 commands_run 2 || fail "the command did not run on the return"
line=$(sed -n 2p "$out" | tr -d '\r')
[[ "$line" == '["  AC Restore!" "MainsBack" "ONLINE" '*'] NOTIFYTYPE=ONLINE UPSNAME=voltaris DRILL=0' ]] ||
  fail "the return's command line: $line"
expect_eq "$(inspect balloon Voltaris)" $'2\tVoltaris\tMains power is back.' "balloon"
wait_until 10 countdowns_open 0 || fail "the mains window did not close"
wait_until 5 tip_is "Voltaris: on mains" || fail "tray tip back on mains"

e2e_log "the drill"
inspect command Voltaris 40024 >/dev/null
wait_until 10 countdowns_open 1 || fail "no drill window"
inspect windows '#32770' | grep -q '"Power Failure Drill"' || fail "the drill's window is not marked as a drill"
wait_event 5 "  Drill: Simulated AC Fail" || fail "no drill event"
wait_until 10 commands_run 3 || fail "the command did not run on the drill"
line=$(sed -n 3p "$out" | tr -d '\r')
[[ "$line" == '["  Drill: Simulated AC Fail" "MainsFailed" "" '*'] NOTIFYTYPE= UPSNAME=voltaris DRILL=1' ]] ||
  fail "the drill's command line: $line"
expect_eq "$(inspect balloon Voltaris | cut -f2)" "Power Failure Drill" "the drill's balloon title"
drill_tip() { [[ "$(inspect traytip Voltaris)" == "Voltaris: on battery, shutdown in "*" s (drill)" ]]; }
wait_until 5 drill_tip || fail "tray tip during the drill: '$(inspect traytip Voltaris)'"
screenshot drill
wait_until 20 countdowns_open 0 || fail "the drill window did not close"
# The report box has the drill window's title; that window is gone now.
wait_until 10 inspect wait '#32770/Power Failure Drill' visible 200 || fail "no drill report"
report=$(inspect children '#32770/Power Failure Drill')
e2e_log "report: $report"
grep -q 'Windows would have been shut down after 5 min 1 s' <<<"$report" || fail "the report does not say when"
grep -q 'Nothing was shut down' <<<"$report" || fail "the report does not say nothing was shut down"
expect_eq "$(count_event "  Drill: End (No Shutdown)")" 1 "drill end events"
expect_eq "$(count_event "  AC Fail!")" 1 "AC Fail events"
expect_eq "$(daily_row | cut -d, -f3)" 1 "today's AC Fail count"
wait_until 10 commands_run 4 || fail "the command did not run at the drill's end"
line=$(sed -n 4p "$out" | tr -d '\r')
[[ "$line" == '["  Drill: End (No Shutdown)" "MainsBack" "" '*'] NOTIFYTYPE= UPSNAME=voltaris DRILL=1' ]] ||
  fail "the drill's end command line: $line"
inspect close '#32770/Power Failure Drill' >/dev/null
kill -0 "$APP_PID" || fail "the program ended"
still_monitoring 10 || fail "the program stopped watching the UPS after the drill"
inspect command Voltaris 40003 >/dev/null
app_gone 10 || fail "the program did not end"
expect_eq "$(events | tail -n 1)" "  Program End" "last event"
expect_eq "$(wc -l <"$out")" 4 "commands run"  # none for a forced shutdown or a shutdown

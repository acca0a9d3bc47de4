#!/usr/bin/env bash
# The service, installed (which starts it) through Wine's service control
# manager, is the one watcher of the UPS; the desktop program is its window.
# It shows the service's readings and count, never opens the line (the
# simulator keeps one query a second), survives being killed during a count
# without the service's queries pausing, and passes a self-test and
# "ShutDown System" on to the service, which carries them out. With the
# service stopped it says the UPS is not watched, and still reads nothing.
source "$(dirname "$0")/lib.sh"
e2e_init service_watcher 300
e2e_sim
e2e_install en
sim_known_readings
set_setting CutACTimeMessage 1
set_setting BatteryTime 1
# Commands the service runs with the system's rights: not one in a folder
# others may change; one only administrators may change, yes.
mkdir -p "$RUN/open" "$RUN/safe"
printf '@echo %%NOTIFYTYPE%%>"%%~dp0ran.txt"\r\n' | tee "$RUN/open/onbatt.cmd" >"$RUN/safe/online.cmd"
chmod 777 "$RUN/open"
chmod 755 "$RUN/safe"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
printf '[Notify]\r\nMainsFailed=%s\r\nMainsBack=%s\r\n' "$(windows_path "$RUN/open/onbatt.cmd")" \
  "$(windows_path "$RUN/safe/online.cmd")" >>"$APP_DIR/UpsConfigure.ini"
e2e_wine_up
# A folder others may change (Wine shows a Unix folder others may write as
# Everyone's write) is refused, and nothing is installed; so are files the
# installing account owns, where it also runs programs without elevation
# (Wine's token says so), unless the administrator trusts that account.
install() { (cd "$APP_DIR" && wine "$APP_DIR/Voltaris.exe" /install-service /quiet "$@") >>"$RUN/service.log" 2>&1; }
chmod o+w "$APP_DIR"
install /trust-installer
expect_eq "$?" 4 "installing from a folder others may change"
chmod o-w "$APP_DIR"
install
expect_eq "$?" 4 "installing files an account with split rights owns"
wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\Voltaris' >/dev/null 2>&1 && fail "a service was installed all the same"
e2e_log "a desktop program reading the UPS when the service is installed steps down"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "the desktop program did not reach the UPS"
install /trust-installer || fail "the service was not installed and started: exit $?"
wait_until 20 inspect wait '#32770/Voltaris' visible 200 || fail "the desktop program did not say the service took over"
# Its text may come a moment after the box shows.
service_box_says() { inspect children '#32770/Voltaris' | grep -q "The Voltaris service has been installed"; }
wait_until 5 service_box_says || fail "wrong box: $(inspect children '#32770/Voltaris')"
expect_eq "$(count_event "  Program End")" 1 "the desktop program's end, recorded before its box"
inspect close '#32770/Voltaris' >/dev/null
app_gone 15 || fail "the desktop program did not end"
e2e_forget "$APP_PID"
service_records
wait_event 30 "  Service Start" || fail "the service's monitoring did not start"
wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Voltaris' /v EventMessageFile 2>/dev/null |
  tr -d '\r' | grep -qi 'Voltaris.exe' || fail "the Application log's source was not registered"
wait_event 30 "  COM UPS is Connected!" || fail "the service did not reach the UPS"
(cd "$APP_DIR" && timeout 30 wine "$APP_DIR/Voltaris.exe" /headless) >>"$RUN/service.log" 2>&1
expect_eq "$?" 5 "Voltaris.exe /headless started by hand while the service reads the UPS"
expect_eq "$(count_event "  Program Start")" 0 "desktop starts"

# desktop: the desktop program's main window (the service's own is titled "Voltaris Service").
desktop() { inspect windows Voltaris | grep -v '"Voltaris Service"' | head -n 1 | cut -d' ' -f1; }
on_desktop() { local w; w=$(desktop); [ -n "$w" ] || return 1; inspect "$1" "$w" "${@:2}"; }
tip() { on_desktop traytip; }
tip_is() { [ "$(tip)" = "$1" ]; }
readout() { on_desktop text "$1"; }
readout_is() { [ "$(readout "$1")" = "$2" ]; }
# queries: how many status queries the simulator has had.
queries() { grep -c ' Q1$' "$SIM_LOG"; }
# largest_gap FROM: the longest pause between two status queries from the
# FROMth on, in ms.
largest_gap() {
  grep ' Q1$' "$SIM_LOG" | tail -n +"$1" | cut -d' ' -f2 |
    awk -F: '{ t = ($1 * 3600 + $2 * 60 + $3) * 1000; if (NR > 1 && t - p > g) g = t - p; p = t } END { printf "%d\n", g }'
}
# tip_seconds: the seconds the desktop's tip says the shutdown is in ("" when it says none in seconds).
tip_seconds() { tip | sed -n 's/.*shutdown in \([0-9]*\) s.*/\1/p'; }
# count_agrees: the desktop's count is the service's, which started at the
# failure's row with BatteryTime's 60 s (within 3 s: the row's second, a tick each side).
count_agrees() {
  local shown left
  shown=$(tip_seconds)
  [ -n "$shown" ] || return 1
  left=$((60 - ($(date +%s) - FAIL_AT)))
  [ $((shown - left)) -le 3 ] && [ $((left - shown)) -le 3 ]
}

e2e_log "the desktop program is the service's window"
e2e_start_app
wait_until 20 tip_is "Voltaris: on mains" || fail "the desktop program does not show the service's state: '$(tip)'"
on_desktop command 40023 >/dev/null  # the window starts hidden behind the tray icon
readouts() { for id in 1110 1111 1112 1113 1114 1115; do printf '%s|' "$(readout $id)"; done; }
# The battery's share waits for the UPS's rating, the service's second query: on a loaded machine a moment later.
readouts_are() { [ "$(readouts)" = "$1" ]; }
wait_until 10 readouts_are "230 V|229 V|35%|80 %|25 C|50 Hz|" ||
  expect_eq "$(readouts)" "230 V|229 V|35%|80 %|25 C|50 Hz|" "the desktop's readouts of the service's UPS"
screenshot service-window
# One reader asks once a second; two would ask about ten times in 5 s.
a=$(queries)
sleep 5
n=$(($(queries) - a))
e2e_log "status queries over 5 s with the desktop program up: $n"
[ "$n" -le 7 ] || fail "the UPS is read more than once a second: a second reader"
expect_eq "$(count_event "  Program Start")" 0 "desktop starts (it never reads the UPS)"
# A desktop that fell back to reading the UPS itself would record in its own folder.
expect_eq "$(tr -d '\r' <"$APP_DIR/EventRecord.csv" | grep -c "  Program Start")" 1 \
  "starts recorded in the program's folder (the one before the service)"

e2e_log "a mains failure: the desktop shows the service's count"
sim_control "mains fail" >/dev/null
wait_event 15 "  AC Fail!" || fail "the service recorded no mains failure"
FAIL_AT=$(date +%s)
wait_until 5 count_agrees || fail "the desktop's count '$(tip)' is not the service's (failed at $FAIL_AT, now $(date +%s))"
# The battery of 21.7 V reads low on battery: the service counts in two windows.
countdowns_shown() { [ "$(countdown_windows | wc -l)" -ge 1 ]; }
wait_until 5 countdowns_shown || fail "the desktop does not show the service's count-down windows"
# The two are read a moment apart, while the count moves on each second: compared without their figures.
no_figures() { tr -d '0-9'; }
title_counts() {
  local tip_now
  tip_now=$(tip | no_figures)
  inspect windows Voltaris | no_figures | grep -qF "\"$tip_now\"" && [[ $tip_now == *"shutdown in"* ]]
}
wait_until 5 title_counts || fail "the desktop's title does not carry the count: $(inspect windows Voltaris)"
balloon_is_mains_failed() { on_desktop balloon | cut -f3 | grep -q "^Mains power failed: the UPS runs on its battery."; }
wait_until 5 balloon_is_mains_failed || fail "the desktop did not show the service's balloon: '$(on_desktop balloon)'"
screenshot service-window-count
from=$(queries)
e2e_log "the desktop program is killed during the count"
kill -9 "$APP_PID"
e2e_forget "$APP_PID"
sleep 3
e2e_start_app
wait_until 15 count_agrees || fail "the desktop started again does not show the running count: '$(tip)'"
wait_until 5 countdowns_shown || fail "the desktop started again does not show the count-down windows"
gap=$(largest_gap "$from")
e2e_log "longest pause between queries while the desktop was killed and started again: $gap ms"
[ "$gap" -le 2000 ] || fail "the service's queries paused $gap ms"
expect_eq "$(count_event "  AC Fail!")" 1 "mains failures recorded"
sim_control "mains ok" >/dev/null
wait_event 15 "  AC Restore!" || fail "the service did not record the mains' return"
wait_until 15 countdowns_open 0 || fail "the desktop's count-down window stayed with the mains back"
wait_until 10 test -e "$RUN/safe/ran.txt" || fail "the service did not run the command only administrators may change"
[ -e "$RUN/open/ran.txt" ] && fail "the service ran a command others may change"
expect_eq "$(count_event "  Event Command Not Started: MainsFailed")" 1 "refusals recorded"
wait_until 10 tip_is "Voltaris: on mains" || fail "the desktop does not show the mains' return: '$(tip)'"
# Its viewers read the service's tables.
on_desktop command 40009 >/dev/null
wait_until 10 inspect wait '#32770/Event Data' visible 200 || fail "no event data window"
expect_eq "$(inspect listview '#32770/Event Data' 1087 | tail -n 1 | cut -f1,2 | tr '\t' ,)" "$(date +%Y-%m-%d),1" \
  "today's row of the service's daily table, as the desktop's viewer shows it (Date, AC Fail)"
inspect close '#32770/Event Data' >/dev/null

e2e_log "a self-test from the desktop"
on_desktop command 40014 >/dev/null  # UPS Selftest 10 Seconds
wait_event 10 "  UPS SelfTest 10 Seconds!" || fail "the service did not start the self-test the desktop asked for"
sleep 3
expect_eq "$(grep -c ' T$' "$SIM_LOG")" 1 "self-test commands the UPS received"

e2e_log "a timed self-test from the desktop's dialog"
wait_until 20 countdowns_open 0 || fail "the ten-second test's window stayed"
T='#32770/Special Time Selftest'
on_desktop command 40016 >/dev/null
wait_until 10 inspect wait "$T" visible 200 || fail "no Special Time Selftest dialog"
inspect settext "$T" 1097 3 >/dev/null
inspect click "$T" $SKIN_TIMED_TEST_OK >/dev/null  # its OK picture
wait_until 10 inspect wait "$T" gone 200 || fail "OK left the dialog: $(inspect children '#32770/Voltaris')"
wait_until 10 bash -c "grep -q ' T03\$' '$SIM_LOG'" || fail "the UPS never received T03 from the service"
wait_event 5 "  UPS SelfTest 3 Minute" || fail "the service recorded no timed test"
sleep 1
expect_eq "$(count_event "  UPS SelfTest 3 Minute")" 1 "timed tests recorded (the window starts none of its own)"
wait_until 5 countdowns_shown || fail "the desktop does not show the timed test's window"
on_desktop command 40017 >/dev/null  # Cancel Selftest
wait_until 10 bash -c "grep -q ' CT\$' '$SIM_LOG'" || fail "the UPS never received CT from the service"
wait_until 10 countdowns_open 0 || fail "the timed test's window stayed after the cancel"

e2e_log "a setting saved in the desktop is written by the service, in its folder"
A='#32770/Alarm Message'
on_desktop command 40002 >/dev/null
wait_until 10 inspect wait "$A" visible 200 || fail "no alarm message dialog"
inspect settext "$A" 1033 "Mains gone: the service counts" >/dev/null  # the mains failure's text
inspect click "$A>#32770" $SKIN_ALARM_OK >/dev/null                           # OK
wait_until 10 inspect wait "$A" gone 200 || fail "the alarm dialog was not saved: $(inspect children '#32770/Voltaris')"
service_key() { tr -d '\r' <"$RECORDS_DIR/UpsConfigure.ini" | sed -n "s/^$1=//p"; }
expect_eq "$(service_key AcInterruptlMessage)" "Mains gone: the service counts" "the service's mains failure text"
# Written by the service, which records each change a user's window asks for, once.
expect_eq "$(count_event "  Setting Changed by a User: [AlarmMessage] AcInterruptlMessage")" 1 "changes recorded"
expect_eq "$(events | grep "Setting Changed" | tr '\n' '|')" \
  "  Setting Changed by a User: [AlarmMessage] SpecialTimeTest|  Setting Changed by a User: [AlarmMessage] AcInterruptlMessage|" \
  "settings recorded as changed (the timed test's minutes; of the alarm dialog's keys, the one changed)"
tr -d '\r' <"$APP_DIR/UpsConfigure.ini" | grep -q "Mains gone" && fail "the desktop wrote the program folder's settings"

e2e_log "the service stops"
wine net stop Voltaris >>"$RUN/service.log" 2>&1
wait_event 30 "  Service Stop" || fail "the service's monitoring did not stop"
not_watched="Voltaris: the service is not running: the UPS is not watched"
wait_until 10 tip_is "$not_watched" || fail "the desktop does not say the UPS is not watched: '$(tip)'"
expect_eq "$(on_desktop balloon | cut -f3)" "The Voltaris service is not running: the UPS is not watched" "balloon"
inspect windows Voltaris | grep -qF "\"$not_watched\"" || fail "the desktop's title does not say it: $(inspect windows Voltaris)"
from=$(queries)
sleep 5
expect_eq "$(($(queries) - from))" 0 "status queries with the service stopped (the desktop never reads the UPS)"
expect_eq "$(count_event "  Program Start")" 0 "desktop starts"

e2e_log "the service again; \"ShutDown System\" from the desktop"
wine net start Voltaris >>"$RUN/service.log" 2>&1
wait_event 30 "  Service Start" 2 || fail "the service did not start again"
wait_until 15 tip_is "Voltaris: on mains" || fail "the desktop does not follow the service again: '$(tip)'"
on_desktop command 40012 >/dev/null
wait_until 5 countdowns_shown || fail "the desktop does not show the service's manual count-down"
wait_event 60 "  Service Stop" 2 || fail "the service did not carry out the desktop's shutdown"
expect_eq "$(events | tail -n 1)" "  Service Stop" "last event before the shutdown"

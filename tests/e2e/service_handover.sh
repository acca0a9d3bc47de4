#!/usr/bin/env bash
# The service, installed (which starts it) through Wine's service control manager,
# watches the UPS alone and records its own start. The desktop program started
# during a mains failure says the service is handling it and waits; once the
# mains are back it reads the line, but only after the service stood down (its
# stop is recorded before the program's start); after Exit the service takes
# the line back. Then a mains failure with nobody logged on ends in "  AC Fail!"
# and the system's shutdown. The hand-over's gaps are measured between the
# simulator's last status query from one reader and the first from the next.
source "$(dirname "$0")/lib.sh"
e2e_init service_handover 240
e2e_sim
e2e_install en
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
install /trust-installer || fail "the service was not installed and started: exit $?"
wait_event 30 "  Service Start" || fail "the service's monitoring did not start"
wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Voltaris' /v EventMessageFile 2>/dev/null |
  tr -d '\r' | grep -qi 'Voltaris.exe' || fail "the Application log's source was not registered"
wait_event 30 "  COM UPS is Connected!" || fail "the service did not reach the UPS"
(cd "$APP_DIR" && timeout 30 wine "$APP_DIR/Voltaris.exe" /headless) >>"$RUN/service.log" 2>&1
expect_eq "$?" 5 "Voltaris.exe /headless started by hand while the service reads the UPS"
expect_eq "$(count_event "  Program Start")" 0 "desktop starts"

# line_of TEXT [N]: the line of the Nth TEXT in the event table.
line_of() { tail -n +2 "$APP_DIR/EventRecord.csv" | tr -d '\r' | grep -nF -- "$1" | sed -n "${2:-1}p" | cut -d: -f1; }
# queries: how many status queries the simulator has had.
queries() { grep -c ' Q1$' "$SIM_LOG"; }
# largest_gap FROM: the longest pause between two status queries from the
# FROMth on, in ms.
largest_gap() {
  grep ' Q1$' "$SIM_LOG" | tail -n +"$1" | cut -d' ' -f2 |
    awk -F: '{ t = ($1 * 3600 + $2 * 60 + $3) * 1000; if (NR > 1 && t - p > g) g = t - p; p = t } END { printf "%d\n", g }'
}
sleep 3
before=$(largest_gap 2)
from=$(queries)

e2e_log "the desktop program starts during a mains failure"
sim_control "mains fail" >/dev/null
wait_event 15 "  AC Fail!" || fail "the service recorded no mains failure"
e2e_start_app
tip_is() { [ "$(inspect traytip Voltaris)" = "$1" ]; }
wait_until 20 tip_is "Voltaris: the service is handling a power event" ||
  fail "the desktop program does not say the service handles the failure: '$(inspect traytip Voltaris)'"
sleep 2
expect_eq "$(count_event "  Program Start")" 0 "desktop starts during the service's count"
sim_control "mains ok" >/dev/null
wait_event 15 "  AC Restore!" || fail "the service did not record the mains' return"
wait_until 10 test -e "$RUN/safe/ran.txt" || fail "the service did not run the command only administrators may change"
[ -e "$RUN/open/ran.txt" ] && fail "the service ran a command others may change"
expect_eq "$(count_event "  Event Command Not Started: MainsFailed")" 1 "refusals recorded"
wait_event 30 "  Program Start" || fail "the desktop program never took the line"
wait_event 30 "  COM UPS is Connected!" 2 || fail "the desktop program did not reach the UPS"
stopped=$(line_of "  Service Stop")
started=$(line_of "  Program Start")
[ -n "$stopped" ] && [ "$stopped" -lt "$started" ] || fail "the desktop program started before the service stood down"
gap=$(largest_gap "$from")
e2e_log "longest pause between queries: $before ms while the service watched, $gap ms over the hand-over to the desktop"
[ "$gap" -le 10000 ] || fail "nobody watched the UPS for $gap ms during the hand-over"
from=$(queries)

e2e_log "the desktop program ends"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the desktop program did not end"
wait_event 30 "  Service Start" 2 || fail "the service did not take the line back"
[ "$(line_of "  Program End")" -lt "$(line_of "  Service Start" 2)" ] || fail "the service took the line before the program ended"
wait_event 30 "  COM UPS is Connected!" 3 || fail "the service did not reach the UPS again"
gap=$(largest_gap "$from")
e2e_log "longest pause between queries over the hand-back to the service: $gap ms"
[ "$gap" -le 10000 ] || fail "nobody watched the UPS for $gap ms during the hand-back"

e2e_log "a mains failure with nobody logged on"
sim_control "mains fail" >/dev/null
wait_event 15 "  AC Fail!" 2 || fail "the service recorded no second mains failure"
wait_event 90 "  Service Stop" 2 || fail "the service's count did not end in the system's shutdown"
expect_eq "$(events | tail -n 1)" "  Service Stop" "last event before the shutdown"

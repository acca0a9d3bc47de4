#!/usr/bin/env bash
# The program follows a UPS that NUT's own upsd serves (ComboPort=9), as a
# secondary logged in as monuser: the gauges show the served readings and no
# temperature where the UPS reports none; the UPS on battery opens the
# mains-failure count-down, back on line it records the restore, on battery
# with the battery low it starts the battery-low count; the server stopping
# and coming back is recorded; all along the server counts this computer
# once among its logins.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/nut_lib.sh"
e2e_init network_follow 150
nut_server_start input.voltage=231.0 output.voltage=229.0 ups.load=37 battery.charge=96 input.frequency=50.0
e2e_install en
set_setting CutACTimeMessage 1
follow_network_ups
e2e_start_app
wait_event 30 "  Network UPS is Connected!" || fail "never connected to $NUT_SERVER"
expect_eq "$(nut_numlogins)" 1 "logins while following"

inspect command Voltaris 40023 >/dev/null  # the window starts hidden behind the tray icon
readout() { inspect text Voltaris "$1"; }
readout_is() { [ "$(readout "$1")" = "$2" ]; }
wait_until 10 readout_is 1110 "231 V" || fail "input readout: $(readout 1110)"
texts=""
for id in 1110 1111 1112 1113 1114 1115; do texts+="$(readout $id)|"; done
expect_eq "$texts" "231 V|229 V|37%|96 %|-- C|50 Hz|" "readouts of the served UPS"
screenshot network-follow

e2e_log "on battery"
nut_set ups.status=OB
wait_event 10 "  AC Fail!" || fail "no \"  AC Fail!\" event"
wait_until 5 countdowns_open 1 || fail "no count-down window on battery"
e2e_log "back on line"
nut_set ups.status=OL
wait_event 15 "  AC Restore!" || fail "no \"  AC Restore!\" event"
wait_until 10 countdowns_open 0 || fail "the count-down window stayed with the mains back"

e2e_log "on battery, battery low"
nut_set "ups.status=OB LB"
wait_event 10 "  BatteryLow Low!" || fail "no \"  BatteryLow Low!\" event"
expect_eq "$(daily_row | cut -d, -f2)" 1 "today's Battery Low count"
# Back on line well before BatteryEndTime's minute would shut the system down.
nut_set ups.status=OL
wait_until 15 countdowns_open 0 || fail "count-down windows stayed with the mains back"

e2e_log "the server goes"
nut_upsd_stop
wait_event 20 "  UPS is DisConnected!" || fail "the server's end was not recorded"
e2e_log "the server comes back"
nut_upsd_restart
wait_event 30 "  Network UPS is Connected!" 2 || fail "not connected again once the server was back"
wait_until 5 nut_numlogins_is 1 || fail "logins after the server came back: $(nut_numlogins)"
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "disconnection events"
kill -0 "$APP_PID" || fail "the program ended"

e2e_log "a self-test is asked of the server"
inspect command Voltaris 40014 >/dev/null  # UPS Selftest 10 Seconds
wait_event 10 "  UPS SelfTest 10 Seconds!" || fail "the self-test did not start"
# dummy-ups has no instant commands: the server refuses it, and the test ends.
wait_event 10 "  UPS SelfTest Command Not Sent!" || fail "the server's refusal of the self-test was not recorded"
# upsd's log holds its replies: this one only an INSTCMD gets.
grep -q "\[ERR CMD-NOT-SUPPORTED\]" "$NUT_DIR/upsd.log" || fail "no INSTCMD reached the server"

e2e_log "the service follows it with nobody logged on"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end on Exit"
e2e_forget "$APP_PID"
wait_until 10 nut_numlogins_is 0 || fail "the program left without logging out: $(nut_numlogins)"
# A command the service starts runs on when the service stops: a shutdown
# script must not die with it.
mkdir -p "$RUN/hooks"
# It waits for the test's word (the file "go"), given once the service has stopped.
printf '@echo off\r\n:wait\r\nif not exist "%%~dp0go" (\r\n  ping -n 2 127.0.0.1 >nul\r\n  goto wait\r\n)\r\necho %%NOTIFYTYPE%%>"%%~dp0survived.txt"\r\n' >"$RUN/hooks/online.cmd"
printf '[Notify]\r\nMainsBack=Z:%s\\hooks\\online.cmd\r\n' "${RUN//\//\\}" >>"$APP_DIR/UpsConfigure.ini"
(cd "$APP_DIR" && wine "$APP_DIR/Voltaris.exe" /install-service /quiet /trust-installer) >>"$RUN/service.log" 2>&1 ||
  fail "the service was not installed and started: exit $?"
service_records
wait_event 30 "  Service Start" || fail "the service's monitoring did not start"
wait_event 30 "  Network UPS is Connected!" || fail "the service did not follow the network UPS"
wait_until 10 nut_numlogins_is 1 || fail "logins while the service follows: $(nut_numlogins)"
nut_set ups.status=OB
wait_event 15 "  AC Fail!" || fail "the service recorded no mains failure"
nut_set ups.status=OL
wait_event 15 "  AC Restore!" || fail "the service recorded no return of the mains"
wine net stop Voltaris >>"$RUN/service.log" 2>&1
wait_event 30 "  Service Stop" || fail "the service's monitoring did not stop"
touch "$RUN/hooks/go"
wait_until 20 test -e "$RUN/hooks/survived.txt" || fail "the command the service started died with it"
wait_until 10 nut_numlogins_is 0 || fail "the service left without logging out: $(nut_numlogins)"

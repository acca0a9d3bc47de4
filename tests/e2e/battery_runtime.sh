#!/usr/bin/env bash
# The runtime estimate learnt from the UPS's own discharges. The simulator's
# battery runs down 25 times as fast as the clock (a 6-minute discharge at
# 80 % load takes about 15 s). Before any discharge the gauge panel shows a
# first guess marked "not yet learnt"; a first discharge to battery low is
# recorded in BatteryRecord.csv and learnt (the battery, just run flat, then
# counts as empty until it has had time to recharge); on the second, at a lighter load,
# the panel and the network (battery.runtime) show a learnt estimate, and
# once [Runtime] ShutdownOnRuntime=1 is set the shutdown starts when the
# estimate falls below RuntimeMarginMinutes, long before BatteryTime; a
# battery-low flag for a reply or two does not start it.
source "$(dirname "$0")/lib.sh"
e2e_init battery_runtime 120
command -v upsc >/dev/null || fail "upsc is missing (package nut-client)"
e2e_sim --discharge --load 80 --time-scale 0.04
e2e_install en
set_setting CutACTimeMessage 1
set_setting BatteryTime 1
PORT=$(free_port)
set_network "$PORT"
printf '[Runtime]\r\nShutdownOnRuntime=0\r\nRuntimeMarginMinutes=1\r\n' >>"$APP_DIR/UpsConfigure.ini"
UPS=voltaris@127.0.0.1:$PORT
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
inspect command Voltaris 40023 >/dev/null  # the main window: its gauges are drawn only while it shows
runtime_text() { inspect text Voltaris 1116; }
first_guess() { [[ "$(runtime_text)" == "about "*" min on battery (not yet learnt)" ]]; }
wait_until 10 first_guess || fail "no first guess on the gauge panel: '$(runtime_text)'"

e2e_log "a learning discharge at 80 %"
sim_control "mains fail" >/dev/null
battery_low_row() { grep -q ',Battery Low' "$APP_DIR/BatteryRecord.csv" 2>/dev/null; }
wait_until 35 battery_low_row || fail "no end of discharge in BatteryRecord.csv"
sim_control "mains ok" >/dev/null
wait_until 10 countdowns_open 0 || fail "the count-down windows did not close when the mains came back"
# Learnt: the estimate, then the battery's health against its first learnt capacity.
health="; Battery health: 100 %"
run_flat() { [ "$(runtime_text)" = "about 0 min on battery$health" ]; }
wait_until 10 run_flat || fail "just after running flat the battery is not taken to be empty: '$(runtime_text)'"
# The simulator recharges at once, which no charger does: the program is
# started again as though a day had passed (its rows a day older), so that
# it takes the battery to be full again, and learns again from the file.
sim_control "battery charge 1" >/dev/null
sim_control "load 14" >/dev/null
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"
sed -i "s/^$(date +%Y-%-m-%-d),/$(date -d yesterday +%Y-%-m-%-d),/" "$APP_DIR/BatteryRecord.csv"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" 2 || fail "never connected again"
inspect command Voltaris 40023 >/dev/null
learnt_on_mains() { [[ "$(runtime_text)" == "about "*" min on battery$health" && "$(runtime_text)" != "about 0 "* ]]; }
wait_until 10 learnt_on_mains || fail "not learnt after the discharge: '$(runtime_text)'"

e2e_log "battery low for a reply or two, the shutdown on the estimate on: no shutdown"
sed -i 's/^ShutdownOnRuntime=0/ShutdownOnRuntime=1/' "$APP_DIR/UpsConfigure.ini"
sim_control "mains fail" >/dev/null
wait_event 10 "  AC Fail!" 2 || fail "the second failure was not seen"
sim_control "battery low on" >/dev/null
sleep 1
sim_control "battery low off" >/dev/null
sleep 4
kill -0 "$APP_PID" 2>/dev/null || fail "a battery-low blip shut the system down"
expect_eq "$(count_event "  Runtime Low!")" 0 "runtime events after a battery-low blip"
grep -q ',Battery Low' <(tail -n 1 "$APP_DIR/BatteryRecord.csv") && fail "the blip ended the discharge"
sim_control "mains ok" >/dev/null
sed -i 's/^ShutdownOnRuntime=1/ShutdownOnRuntime=0/' "$APP_DIR/UpsConfigure.ini"
sim_control "battery charge 1" >/dev/null
wait_until 10 countdowns_open 0 || fail "the count-down windows did not close after the blip"

e2e_log "the second discharge at 14 %"
sim_control "mains fail" >/dev/null
learnt_on_battery() { [[ "$(runtime_text)" =~ ^about\ [0-9]+\ min\ left\;\ Battery\ health:\ 100\ %$ ]]; }
wait_until 10 learnt_on_battery || fail "no learnt estimate on battery: '$(runtime_text)'"
seconds=$(upsc "$UPS" battery.runtime 2>>"$RUN/upsc.err")
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 60 ] || fail "battery.runtime: '$seconds'"
expect_eq "$(upsc "$UPS" battery.runtime.low 2>/dev/null)" "" "battery.runtime.low while nothing keeps that margin"
screenshot second-discharge
e2e_log "estimate ${seconds} s: the shutdown on the estimate is switched on"
failed_at=$SECONDS
sed -i 's/^ShutdownOnRuntime=0/ShutdownOnRuntime=1/' "$APP_DIR/UpsConfigure.ini"
runtime_low_is() { [ "$(upsc "$UPS" battery.runtime.low 2>/dev/null)" = "$1" ]; }
wait_until 5 runtime_low_is 60 || fail "battery.runtime.low once the shutdown on the estimate keeps it"
app_gone 40 || fail "the estimate below its margin did not shut the system down"
waited=$((SECONDS - failed_at))
[ "$waited" -lt 50 ] || fail "the shutdown came after ${waited} s, as late as BatteryTime"
expect_eq "$(count_event "  Runtime Low!")" 1 "runtime events"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"
e2e_log "down ${waited} s after the setting, the estimate then below 60 s"

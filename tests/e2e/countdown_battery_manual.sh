#!/usr/bin/env bash
# A low battery opens its count-down window at once and counts it for the day;
# its recovery closes the window. ShutDown System counts ten seconds: Cancel
# stops it; left to run, it writes the closed-applications row "Voltaris"
# and shuts the system down.
source "$(dirname "$0")/lib.sh"
e2e_init countdown_battery_manual 160
e2e_sim
e2e_install en
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

sim_control "battery low on" >/dev/null
wait_until 10 countdowns_open 1 || fail "no count-down window for the low battery"
wait_event 5 "  BatteryLow Low!" || fail "no \"  BatteryLow Low!\" event"
expect_eq "$(daily_row | cut -d, -f2)" 1 "today's Battery Low count"
screenshot battery-low
sim_control "battery low off" >/dev/null
wait_until 10 countdowns_open 0 || fail "the window did not close when the battery recovered"

e2e_log "ShutDown System, cancelled"
expect_eq "$(inspect menustate Voltaris 40013)" GRAYED "Cancel Shutdown System before"
inspect command Voltaris 40012 >/dev/null
wait_until 10 countdowns_open 1 || fail "no manual count-down window"
expect_eq "$(inspect menustate Voltaris 40012)" GRAYED "ShutDown System while counting"
sleep 1.2
screenshot manual
inspect command Voltaris 40013 >/dev/null
wait_until 5 countdowns_open 0 || fail "Cancel Shutdown System left the window"
sleep 11
kill -0 "$APP_PID" 2>/dev/null || fail "the cancelled count-down shut the system down"
[ -e "$APP_DIR/db3.csv" ] && fail "a closed-applications row after a cancelled count-down"

e2e_log "ShutDown System, to the end"
start=$SECONDS
inspect command Voltaris 40012 >/dev/null
app_gone 30 || fail "the system was not shut down"
[ $((SECONDS - start)) -ge 9 ] || fail "shut down after $((SECONDS - start)) s, before the ten seconds"
expect_eq "$(tail -n 1 "$APP_DIR/db3.csv" | tr -d '\r' | cut -d, -f3)" Voltaris "closed-applications row"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"

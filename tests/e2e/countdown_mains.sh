#!/usr/bin/env bash
# The mains fail: the count-down window opens after CutACTimeMessage,
# "  AC Fail!" and today's AC Fail count are written; the mains' return
# closes it after the yellow blinks with "  AC Restore!". A second failure
# that lasts counts BatteryTime down to zero: the program ends in order and
# Windows (here the Wine session) is shut down. The UPS has no temperature
# sensor ("--.-"): it is watched all the same, its temperature shown unknown.
source "$(dirname "$0")/lib.sh"
e2e_init countdown_mains 200
e2e_sim
e2e_install en
set_setting CutACTimeMessage 1
set_setting BatteryTime 1
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
sim_control "temperature none" >/dev/null
# Readings that came while the window was hidden are shown when it opens.
sleep 2
inspect command Voltaris 40023 >/dev/null
temperature_unknown() { [ "$(inspect text Voltaris 1114)" = "-- C" ]; }
wait_until 10 temperature_unknown || fail "temperature readout: $(inspect text Voltaris 1114)"

sim_control "mains fail" >/dev/null
wait_until 10 countdowns_open 1 || fail "no count-down window after the mains failed"
wait_event 5 "  AC Fail!" || fail "no \"  AC Fail!\" event"
expect_eq "$(daily_row | cut -d, -f3)" 1 "today's AC Fail count"
sleep 1.5
screenshot mains-fail
sim_control "mains ok" >/dev/null
wait_event 10 "  AC Restore!" || fail "no \"  AC Restore!\" event"
wait_until 10 countdowns_open 0 || fail "the window did not close after the mains came back"
expect_eq "$(count_event "  AC Restore!")" 1 "restore events"

e2e_log "a failure that lasts: BatteryTime to zero"
sim_control "mains fail" >/dev/null
wait_until 10 countdowns_open 1 || fail "no count-down window the second time"
expect_eq "$(daily_row | cut -d, -f3)" 2 "today's AC Fail count"
app_gone 90 || fail "the system was not shut down at the end of the count"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"

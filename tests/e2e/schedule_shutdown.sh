#!/usr/bin/env bash
# A weekly shutdown set a little ahead, with a one-minute warning and a
# restart 75 minutes later: the warning window opens when the minute before it
# begins, records its event and today's Schedule Down count; at the end the
# UPS receives its switch-off-and-restore command, and only then is the
# system (here the Wine session) shut down. The switch-off delay is set to
# 30 s, under its range (the UPS counts whole minutes): read as its default
# of a minute, it goes out as one minute, never as a zero delay that would
# cut the power at once.
source "$(dirname "$0")/lib.sh"
e2e_init schedule_shutdown 200
e2e_sim
e2e_install en
at=$(($(date +%s) + 80))
row=$(date -d "@$at" +%u)  # 1 Monday .. 7 Sunday, as the schedule's rows
restart=$((at + 75 * 60))
hms() { date -d "@$1" +%-H:%-M:%-S; }
minutes() { echo $((10#$(date -d "@$1" +%H) * 60 + 10#$(date -d "@$1" +%M))); }
a=$(minutes "$at")
b=$(minutes "$restart")
if [ "$b" -gt "$a" ]; then r=$((b - a)); else l=$((a - b)); if [ "$l" -gt 81 ]; then r=$((10080 - l)); else r=9999; fi; fi
expected=$(printf 'S01R%04d' "$r")
set_setting ShutTimeMessage 1
set_setting BefoShutDownTime 30
printf '[Schema]\r\nSchemaEveryRebootFlag%s=1\r\nSchemaEveryRebootTime%s=%s\r\nSchemaEveryShutFlag%s=1\r\nSchemaEveryShutTime%s=%s\r\n' \
  "$row" "$row" "$(hms "$at")" "$row" "$row" "$(hms "$restart")" >>"$APP_DIR/UpsConfigure.ini"
e2e_log "shutdown at $(hms "$at") (row $row), restart at $(hms "$restart"): expecting $expected"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
wait_until 40 countdowns_open 1 || fail "no warning window"
wait_event 5 "  Schedule Setting Time Up Warning!" || fail "no warning event"
expect_eq "$(daily_row | cut -d, -f4)" 1 "today's Schedule Down count"
sleep 1.2
screenshot schedule
app_gone 90 || fail "the system was not shut down at the scheduled time"
grep -q " $expected\$" "$SIM_LOG" || fail "the UPS never received $expected: $(tail -n 5 "$SIM_LOG")"
! grep -q " S00" "$SIM_LOG" || fail "the UPS was told to switch off at once: $(grep " S00" "$SIM_LOG")"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"
now=$(date +%s)
[ "$now" -ge $((at - 3)) ] || fail "shut down $((at - now)) s before the scheduled time"

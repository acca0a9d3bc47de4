#!/usr/bin/env bash
# A special date a minute and a half ahead, with the UPS's restart 90 minutes after
# it and a one-minute warning: the warning window opens a minute before it,
# records its event and today's Schedule Down count; at the end the UPS
# receives "S01R0090" (BefoShutDownTime 60), and only then is the system
# (here the Wine session) shut down.
source "$(dirname "$0")/lib.sh"
e2e_init date_shutdown 240
e2e_sim
e2e_install en
at=$(($(date +%s) + 90))
restart=$((at + 90 * 60))
ymd() { date -d "@$1" +%Y-%-m-%-d; }
hms() { date -d "@$1" +%-H:%-M:%-S; }
set_setting ShutTimeMessage 1
set_setting BefoShutDownTime 60
printf '[Schema]\r\n%s\r\n' \
  SchemaSpecialRebootFlag3=1 "SchemaSpecialRebootYear3=$(ymd "$at")" "SchemaSpecialRebootTime3=$(hms "$at")" \
  SchemaSpecialShutFlag3=1 "SchemaSpecialShutYear3=$(ymd "$restart")" "SchemaSpecialShutTime3=$(hms "$restart")" \
  >>"$APP_DIR/UpsConfigure.ini"
e2e_log "special date $(ymd "$at") $(hms "$at"), restart $(ymd "$restart") $(hms "$restart")"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
[ "$(date +%s)" -ge $((at - 62)) ] || expect_eq "$(countdowns_open 1 && echo open)" "" "a warning window before the warning period"
wait_until 90 countdowns_open 1 || fail "no warning window"
opened=$(date +%s)
[ "$opened" -ge $((at - 62)) ] || fail "the warning opened $((at - opened)) s before the shutdown"
wait_event 5 "  Schedule Setting Time Up Warning!" || fail "no warning event"
expect_eq "$(daily_row | cut -d, -f4)" 1 "today's Schedule Down count"
screenshot date-warning
app_gone 90 || fail "the system was not shut down on the special date"
grep -q " S01R0090\$" "$SIM_LOG" || fail "the UPS never received S01R0090: $(tail -n 5 "$SIM_LOG")"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"
now=$(date +%s)
[ "$now" -ge $((at - 3)) ] || fail "shut down $((at - now)) s before the special date"

#!/usr/bin/env bash
# The Weekly Schedule dialog driven as a user would: it shows what the
# settings hold (pickers enabled only with their box ticked), stores what it
# shows on OK, refuses a restart-only row with that day's message while
# saving the rest and staying open, and Cancel writes nothing.
source "$(dirname "$0")/lib.sh"
e2e_init weekly_dialog 150
e2e_sim
e2e_install en
printf '[Schema]\r\nSchemaEveryRebootFlag1=1\r\nSchemaEveryRebootTime1=22:5:0\r\nSchemaEveryShutFlag1=1\r\nSchemaEveryShutTime1=6:30:0\r\nSchemaEveryShutFlag4=0\r\nSchemaEveryShutTime4=None\r\n' \
  >>"$APP_DIR/UpsConfigure.ini"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
D='#32770/Weekly Schedule'
key() { grep "^$1=" "$APP_DIR/UpsConfigure.ini" | tr -d '\r' | cut -d= -f2; }
enabled() { inspect children "$D" | awk -v id="$1" '$1 == id { print $4 }'; }

inspect command Voltaris 40004 >/dev/null
wait_until 10 inspect wait "$D" visible 200 || fail "no Weekly Schedule dialog"
expect_eq "$(inspect owner "$D")" Voltaris "the dialog's owner (no taskbar button of its own)"
inspect command Voltaris 40004 >/dev/null
sleep 0.5
expect_eq "$(inspect windows '#32770' | grep -c '"Weekly Schedule"')" 1 "dialogs after a second 40004"
expect_eq "$(inspect check "$D" 1062)" on "Monday shutdown box"
expect_eq "$(inspect time "$D" 1076)" 22:5:0 "Monday shutdown time"
expect_eq "$(inspect check "$D" 1069)" on "Monday restart box"
expect_eq "$(inspect time "$D" 1083)" 6:30:0 "Monday restart time"
expect_eq "$(inspect check "$D" 1063)" off "Tuesday shutdown box"
expect_eq "$(enabled 1077)" disabled "Tuesday's picker with its box clear"
expect_eq "$(inspect children "$D" | awk '$2 == "pic14"' | wc -l)" 1 "picture pane"
screenshot weekly-opened

e2e_log "Tuesday 20:00 with a restart at 21:15; Thursday restart alone"
tick "$D" 1063 on
expect_eq "$(enabled 1077)" enabled "Tuesday's picker once ticked"
inspect time "$D" 1077 20:0:0
tick "$D" 1070 on
inspect time "$D" 1055 21:15:0
tick "$D" 1072 on
inspect time "$D" 1057 7:0:0
inspect click "$D" $SKIN_WEEKLY_OK >/dev/null  # the OK picture
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no message for the refused row"
inspect children '#32770/Voltaris' | grep -q '"Thursday setting error!"' || fail "wrong message: $(inspect children '#32770/Voltaris')"
screenshot weekly-refused
inspect close '#32770/Voltaris' >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' gone 200 || fail "the message stayed"
inspect wait "$D" visible 200 >/dev/null || fail "the dialog closed with a refused row"
expect_eq "$(key SchemaEveryRebootTime2)" 20:0:0 "Tuesday shutdown time"
expect_eq "$(key SchemaEveryRebootFlag2)" 1 "Tuesday shutdown flag"
expect_eq "$(key SchemaEveryShutTime2)" 21:15:0 "Tuesday restart time"
expect_eq "$(key SchemaEveryShutFlag2)" 1 "Tuesday restart flag"
expect_eq "$(key SchemaEveryShutFlag4)" 0 "Thursday's refused restart flag (kept)"
expect_eq "$(key SchemaEveryShutTime4)" None "Thursday's refused restart time (kept)"
expect_eq "$(key SchemaEveryRebootFlag4)" 0 "Thursday's shutdown flag (saved)"
expect_eq "$(key SchemaEveryRebootTime4)" None "Thursday's shutdown time (saved)"
expect_eq "$(key SchemaEveryShutTime7)" None "an unticked restart"

tick "$D" 1072 off
expect_eq "$(enabled 1057)" disabled "Thursday's restart picker once cleared"
inspect click "$D" $SKIN_WEEKLY_OK >/dev/null
wait_until 10 inspect wait "$D" gone 200 || fail "OK with every row valid left the dialog open"
expect_eq "$(key SchemaEveryShutFlag4)" 0 "Thursday restart flag"
expect_eq "$(key SchemaEveryRebootTime1)" 22:5:0 "Monday shutdown time, unchanged"

e2e_log "Cancel writes nothing"
before=$(md5sum <"$APP_DIR/UpsConfigure.ini")
inspect command Voltaris 40004 >/dev/null
wait_until 10 inspect wait "$D" visible 200 || fail "the dialog did not open again"
expect_eq "$(inspect time "$D" 1077)" 20:0:0 "Tuesday shutdown time shown again"
tick "$D" 1066 on
inspect click "$D" $SKIN_WEEKLY_CANCEL >/dev/null  # the Cancel picture
wait_until 10 inspect wait "$D" gone 200 || fail "Cancel left the dialog open"
expect_eq "$(md5sum <"$APP_DIR/UpsConfigure.ini")" "$before" "settings after Cancel"

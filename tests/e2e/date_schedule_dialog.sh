#!/usr/bin/env bash
# The special-date schedule driven as a user would: Ctrl+P opens it (no menu
# shows it), once; it shows what the settings hold, with pickers enabled
# only while their box is ticked; OK stores what it shows ("None" and "0"
# for an unticked row), refuses a restart-only row with that row's message
# while saving the others and staying open; refuses a restart the UPS cannot
# carry out (more than 9999 minutes after the shutdown) the same way, saying
# why; Cancel writes nothing.
source "$(dirname "$0")/lib.sh"
e2e_init date_schedule_dialog 120
e2e_sim
e2e_install en
printf '[Schema]\r\n%s\r\n' \
  SchemaSpecialRebootFlag1=1 SchemaSpecialRebootYear1=2008-1-15 SchemaSpecialRebootTime1=22:5:0 \
  SchemaSpecialShutFlag1=1 SchemaSpecialShutYear1=2008-1-16 SchemaSpecialShutTime1=6:30:0 \
  SchemaSpecialRebootFlag4=0 SchemaSpecialRebootYear4=None SchemaSpecialRebootTime4=None \
  SchemaSpecialShutFlag4=0 SchemaSpecialShutYear4=2009-2-3 SchemaSpecialShutTime4=5:0:0 \
  SchemaSpecialRebootFlag3=1 SchemaSpecialRebootYear3=2010-3-4 SchemaSpecialRebootTime3=1:2:3 \
  >>"$APP_DIR/UpsConfigure.ini"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
D='#32770/Dialog'
key() { grep "^$1=" "$APP_DIR/UpsConfigure.ini" | tr -d '\r' | cut -d= -f2; }
row_keys() {  # the six keys of row N: shutdown flag, date, time, restart flag, date, time
  local k out=""
  for k in RebootFlag RebootYear RebootTime ShutFlag ShutYear ShutTime; do out+="$(key "SchemaSpecial$k$1") "; done
  echo "${out% }"
}
enabled() { inspect children "$D" | awk -v id="$1" '$1 == id { print $4 }'; }
ctrl_p() { xdotool key --window "$(xdotool search --name '^Voltaris$' | head -n1)" ctrl+p; }

inspect command Voltaris 40023 >/dev/null  # the main window, for the keyboard
wait_until 10 inspect wait Voltaris visible 200 || fail "no main window"
ctrl_p
wait_until 10 inspect wait "$D" visible 200 || fail "Ctrl+P opened no special-date schedule"
expect_eq "$(inspect owner "$D")" Voltaris "the dialog's owner"
ctrl_p
inspect command Voltaris 40005 >/dev/null
sleep 0.5
expect_eq "$(inspect windows '#32770' | grep -c '"Dialog"')" 1 "dialogs after three uses"
expect_eq "$(inspect check "$D" 1150)" on "row 1 shutdown box"
expect_eq "$(inspect date "$D" 1104)" 2008-1-15 "row 1 shutdown date"
expect_eq "$(inspect time "$D" 1111)" 22:5:0 "row 1 shutdown time"
expect_eq "$(inspect check "$D" 1065)" on "row 1 restart box"
expect_eq "$(inspect date "$D" 1041)" 2008-1-16 "row 1 restart date"
expect_eq "$(inspect time "$D" 1048)" 6:30:0 "row 1 restart time"
expect_eq "$(inspect check "$D" 1152)" on "row 3 shutdown box"
expect_eq "$(inspect date "$D" 1106)" 2010-3-4 "row 3 shutdown date"
expect_eq "$(inspect check "$D" 1151)" off "row 2 shutdown box"
expect_eq "$(enabled 1105) $(enabled 1112)" "disabled disabled" "row 2's pickers with its box clear"
expect_eq "$(inspect children "$D" | awk '$2 == "pic14"' | wc -l)" 1 "picture pane"
screenshot special-opened

e2e_log "row 2 shutdown only, row 6 both, row 3 cleared, row 4 restart alone"
tick "$D" 1151 on
expect_eq "$(enabled 1105) $(enabled 1112)" "enabled enabled" "row 2's pickers once ticked"
inspect date "$D" 1105 2026-12-24 && inspect time "$D" 1112 23:0:9 || fail "could not set row 2"
tick "$D" 1155 on
tick "$D" 1148 on
expect_eq "$(enabled 1110) $(enabled 1117) $(enabled 1047) $(enabled 1054)" \
  "enabled enabled enabled enabled" "row 6's pickers"
expect_eq "$(enabled 1109)" disabled "row 7's date picker"
inspect date "$D" 1110 2027-1-2 && inspect time "$D" 1117 1:2:3 || fail "could not set row 6's shutdown"
inspect date "$D" 1047 2027-1-3 && inspect time "$D" 1054 4:5:6 || fail "could not set row 6's restart"
tick "$D" 1152 off
expect_eq "$(enabled 1106)" disabled "row 3's date picker once cleared"
tick "$D" 1146 on
inspect click "$D" $SKIN_DATE_OK >/dev/null  # the OK picture
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no message for the refused row"
inspect children '#32770/Voltaris' | grep -q '"Event4 setting error!"' ||
  fail "wrong message: $(inspect children '#32770/Voltaris')"
screenshot special-refused
inspect close '#32770/Voltaris' >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' gone 200 || fail "the message stayed"
inspect wait "$D" visible 200 >/dev/null || fail "the dialog closed with a refused row"
expect_eq "$(row_keys 1)" "1 2008-1-15 22:5:0 1 2008-1-16 6:30:0" "row 1 as shown"
expect_eq "$(row_keys 2)" "1 2026-12-24 23:0:9 0 None None" "row 2, shutdown only"
expect_eq "$(row_keys 3)" "0 None None 0 None None" "row 3, cleared"
expect_eq "$(row_keys 4)" "0 None None 0 2009-2-3 5:0:0" "row 4, refused, as it was"
expect_eq "$(row_keys 6)" "1 2027-1-2 1:2:3 1 2027-1-3 4:5:6" "row 6, both"
expect_eq "$(row_keys 7)" "0 None None 0 None None" "row 7, unticked"

tick "$D" 1146 off
expect_eq "$(enabled 1044) $(enabled 1051)" "disabled disabled" "row 4's restart pickers once cleared"
inspect click "$D" $SKIN_DATE_OK >/dev/null
wait_until 10 inspect wait "$D" gone 200 || fail "OK with every row valid left the dialog open"
expect_eq "$(row_keys 4)" "0 None None 0 None None" "row 4 once mended"

e2e_log "a restart 10000 minutes after its shutdown (row 5)"
ctrl_p
wait_until 10 inspect wait "$D" visible 200 || fail "the dialog did not open again"
tick "$D" 1154 on && tick "$D" 1147 on
inspect date "$D" 1108 2027-3-1 && inspect time "$D" 1115 8:0:0 || fail "could not set row 5's shutdown"
inspect date "$D" 1045 2027-3-8 && inspect time "$D" 1052 6:40:0 || fail "could not set row 5's restart"
inspect click "$D" $SKIN_DATE_OK >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no message for the restart too far ahead"
message=$(inspect children '#32770/Voltaris')
grep -q 'Event5 setting error!' <<<"$message" || fail "wrong message: $message"
grep -q '1 to 9999 minutes' <<<"$message" || fail "the message does not say why: $message"
inspect close '#32770/Voltaris' >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' gone 200 || fail "the message stayed"
inspect wait "$D" visible 200 >/dev/null || fail "the dialog closed with a refused row"
expect_eq "$(row_keys 5)" "0 None None 0 None None" "row 5, refused, as it was"
inspect time "$D" 1052 6:39:0 || fail "could not mend row 5's restart"
inspect click "$D" $SKIN_DATE_OK >/dev/null
wait_until 10 inspect wait "$D" gone 200 || fail "a restart exactly 9999 minutes later was refused"
expect_eq "$(row_keys 5)" "1 2027-3-1 8:0:0 1 2027-3-8 6:39:0" "row 5 with its restart 9999 minutes later"

e2e_log "Cancel writes nothing"
before=$(md5sum <"$APP_DIR/UpsConfigure.ini")
ctrl_p
wait_until 10 inspect wait "$D" visible 200 || fail "the dialog did not open again"
expect_eq "$(inspect date "$D" 1105) $(inspect time "$D" 1112)" "2026-12-24 23:0:9" "row 2 shown again"
tick "$D" 1153 on
inspect click "$D" $SKIN_DATE_CANCEL >/dev/null  # the Cancel picture
wait_until 10 inspect wait "$D" gone 200 || fail "Cancel left the dialog open"
expect_eq "$(md5sum <"$APP_DIR/UpsConfigure.ini")" "$before" "settings after Cancel"

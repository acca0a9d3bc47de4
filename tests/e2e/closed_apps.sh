#!/usr/bin/env bash
# The closed-applications list: the stored rows, the newest first, under
# their three headings, in one window however often it is asked for. Clear
# while the table cannot be written says so and leaves the list and the
# table as they were; once it can, Clear empties both, and the window opens
# again on an empty list with its headings.
source "$(dirname "$0")/lib.sh"
e2e_init closed_apps 120
e2e_sim
e2e_install en
table=$APP_DIR/db3.csv
printf 'Data,Time,Application\r\n2026-3-5,9:0:0,Voltaris\r\n2026-3-5,10:0:0,Voltaris\r\n' >"$table"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
W='#32770/CloseApplication'
rows() { inspect listview "$W" 1109; }
open_list() {
  inspect command Voltaris 40011 >/dev/null
  wait_until 10 inspect wait "$W" visible 200 || fail "no CloseApplication window"
  expect_eq "$(inspect owner "$W")" Voltaris "the window's owner"
}
headings=$(printf 'Data\t100\nTime\t100\nApplication\t195')

open_list
inspect command Voltaris 40011 >/dev/null
sleep 0.5
expect_eq "$(inspect windows '#32770' | grep -c '"CloseApplication"')" 1 "windows after a second 40011"
expect_eq "$(inspect columns "$W" 1109)" "$headings" "headings"
expect_eq "$(rows)" "$(printf '2026-3-5\t10:0:0\tVoltaris\n2026-3-5\t9:0:0\tVoltaris')" "rows, the newest first"
screenshot closed-apps

e2e_log "Clear while the table cannot be written"
chmod a-w "$table"
inspect click "$W" $SKIN_CLOSED_APPS_CLEAR >/dev/null  # the Clear picture
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no message for a table that cannot be cleared"
inspect children '#32770/Voltaris' | grep -q 'could not be cleared' ||
  fail "wrong message: $(inspect children '#32770/Voltaris')"
screenshot closed-apps-locked
inspect close '#32770/Voltaris' >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' gone 200 || fail "the message stayed"
expect_eq "$(rows | wc -l)" 2 "rows shown after a failed Clear"
expect_eq "$(tail -n +2 "$table" | wc -l)" 2 "rows stored after a failed Clear"

e2e_log "Clear"
chmod u+w "$table"
inspect click "$W" $SKIN_CLOSED_APPS_CLEAR >/dev/null
wait_until 10 bash -c "[ -z \"\$(wine '$VOLTARIS_INSPECT' listview '$W' 1109 2>/dev/null)\" ]" ||
  fail "the list was not emptied: $(rows)"
expect_eq "$(tr -d '\r' <"$table")" "Data,Time,Application" "the table after Clear"
inspect click "$W" $SKIN_CLOSED_APPS_OK >/dev/null  # the OK picture
wait_until 10 inspect wait "$W" gone 200 || fail "OK left the window open"

open_list
expect_eq "$(rows)" "" "rows after reopening"
expect_eq "$(inspect columns "$W" 1109)" "$headings" "headings of the empty list"
inspect close "$W" >/dev/null
wait_until 10 inspect wait "$W" gone 200 || fail "the caption's close left the window open"

#!/usr/bin/env bash
# Without quillon.dll the program says "Cannot Load Library" in a box
# captioned "Error", and runs on once the box is closed.
source "$(dirname "$0")/lib.sh"
e2e_init link_library_missing 120
e2e_install en
rm "$APP_DIR/quillon.dll"
e2e_start_app
wait_until 30 inspect wait '#32770/Error' visible 200 || fail "no error box"
inspect children '#32770/Error' | grep -q '"Cannot Load Library"' || fail "the box does not say \"Cannot Load Library\""
inspect command '#32770/Error' 1 >/dev/null  # OK
wait_until 10 inspect wait '#32770/Error' gone 200 || fail "the box did not close"
wait_until 10 inspect wait Voltaris hidden 200 || fail "no main window after the box"
sleep 1
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"

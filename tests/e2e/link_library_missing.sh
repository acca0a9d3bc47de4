#!/usr/bin/env bash
# Without quillon.dll the program says "Cannot Load Library" in a box
# captioned "Error"; serial monitoring goes on behind the box, and leaving
# while the box is up ends the program in order.
source "$(dirname "$0")/lib.sh"
e2e_init link_library_missing 120
e2e_sim
e2e_install en
rm "$APP_DIR/quillon.dll"
e2e_start_app
wait_until 30 inspect wait '#32770/Error' visible 200 || fail "no error box"
inspect children '#32770/Error' | grep -q '"Cannot Load Library"' || fail "the box does not say \"Cannot Load Library\""
wait_event 30 "  COM UPS is Connected!" || fail "no serial monitoring behind the box: $(events)"
inspect command Voltaris 40003 >/dev/null  # Exit, as the tray menu sends it
app_gone 15 || fail "the program did not end"
expect_eq "$(events | tail -n 1)" "  Program End" "last event"
expect_eq "$(count_event "  Program End")" 1 "Program End records"

e2e_log "once the box is closed the program runs on"
e2e_start_app
wait_until 30 inspect wait '#32770/Error' visible 200 || fail "no error box the second time"
inspect command '#32770/Error' 1 >/dev/null  # OK
wait_until 10 inspect wait '#32770/Error' gone 200 || fail "the box did not close"
sleep 1
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"

#!/usr/bin/env bash
# No UPS on the configured port: "  UPS is DisConnected!" once and one
# "Please Connected UPS!" box, which does not hold up the program; the
# Control Center menu is greyed.
source "$(dirname "$0")/lib.sh"
e2e_init no_ups 120
e2e_map_com 1 "$RUN/nothing-here"
e2e_install en
e2e_start_app
wait_event 30 "  UPS is DisConnected!" || fail "the missing UPS was not recorded: $(events)"
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no box"
inspect children '#32770/Voltaris' | grep -q '"Please Connected UPS!"' || fail "the box does not say \"Please Connected UPS!\""
expect_eq "$(inspect menustate Voltaris 3 bypos)" GRAYED "Control Center"
# The program goes on while the box is up: it still answers the inspector
# and shows the window from the tray.
inspect command Voltaris 40023 >/dev/null
wait_until 10 inspect wait Voltaris visible 200 || fail "the program is held up by the box"
sleep 3
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "disconnections recorded"
expect_eq "$(inspect windows '#32770' | grep -c visible)" 1 "boxes shown"

#!/usr/bin/env bash
# A UPS that stops answering is recorded lost once and "Please Connected UPS!"
# is shown; monitoring goes on behind the box, so the UPS coming back is
# recorded connected once while the box is still up. The link pictures show
# the link down while the UPS is silent (the port opened afresh meanwhile is
# no answer) and up again once it answers.
source "$(dirname "$0")/lib.sh"
e2e_init unplug 150
e2e_sim
e2e_install en
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
link_pictures() { inspect linkpictures Voltaris; }
link_pictures_are() { [ "$(link_pictures)" = "$1" ]; }
wait_until 5 link_pictures_are "138 140" || fail "link pictures with the UPS answering: $(link_pictures)"
sim_control unplug >/dev/null
wait_event 20 "  UPS is DisConnected!" || fail "the silent UPS was never reported: $(events)"
sleep 3
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "disconnections recorded"
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no \"Please Connected UPS!\" box"
expect_eq "$(link_pictures)" "137 139" "link pictures with the UPS silent"
sim_control plug >/dev/null
wait_event 20 "  COM UPS is Connected!" 2 || fail "the UPS was not reported back: $(events)"
wait_until 5 link_pictures_are "138 140" || fail "link pictures with the UPS back: $(link_pictures)"
sleep 3
expect_eq "$(count_event "  COM UPS is Connected!")" 2 "connections recorded"
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "disconnections recorded"
inspect wait '#32770/Voltaris' visible 200 >/dev/null || fail "the box was closed by something else"

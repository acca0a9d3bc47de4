#!/usr/bin/env bash
# Start-up on a serial UPS: "  Program Start", then "  COM UPS is Connected!";
# the splash shows for about three seconds; the tray icon is there and the
# main window stays hidden until the icon is double-clicked; the Control
# Center menu is enabled once the UPS answers; the icon comes back when the
# shell restarts. The settings file was saved by an editor as UTF-8 with a
# byte-order mark: its first section is read all the same (nothing is
# recorded as missing) and it stays as it was.
source "$(dirname "$0")/lib.sh"
e2e_init startup 150
e2e_sim
e2e_install en
INI=$APP_DIR/UpsConfigure.ini
printf '\xEF\xBB\xBF' | cat - "$INI" >"$INI.marked" && mv "$INI.marked" "$INI"
ini_before=$(md5sum <"$INI")
e2e_start_app
wait_until 20 inspect wait StartUp/Brennick visible 200 || fail "no splash"
splash_seen=$(date +%s%3N)
wait_until 10 inspect wait StartUp gone 200 || fail "the splash stays"
# It lives three one-second ticks; however late the first look came, it is
# not gone at once.
[ $(($(date +%s%3N) - splash_seen)) -ge 500 ] || fail "the splash left too soon"
wait_event 30 "  COM UPS is Connected!" || fail "the UPS was never reported connected: $(events)"
expect_eq "$(events | head -n 2 | tr '\n' '|')" "  Program Start|  COM UPS is Connected!|" "first events"
expect_eq "$(events | grep -c 'Setting')" 0 "settings not taken from the file"
expect_eq "$(md5sum <"$INI")" "$ini_before" "the settings file"
inspect windows Voltaris | grep -q hidden || fail "the main window is visible before the icon is used"
wait_until 10 menu_state_is 3 ENABLED bypos || fail "Control Center stays greyed"
expect_eq "$(inspect menustate Voltaris 40013)" GRAYED "Cancel Shutdown System"
grep -q ' F$' "$SIM_LOG" || fail "no rating query reached the UPS"

# The tray icon sits at the right end of the virtual desktop's taskbar.
xdotool mousemove 1013 758 click --repeat 2 --delay 80 1
wait_until 10 inspect wait Voltaris visible 200 || fail "double-clicking the tray icon did not show the window"

# A shell that restarts forgets every icon and then says "TaskbarCreated":
# the icon comes back, and with it the way to the window.
inspect close Voltaris >/dev/null
wait_until 10 inspect wait Voltaris hidden 200 || fail "closing did not hide the window"
inspect untray Voltaris 2130 >/dev/null || fail "the tray icon was not there to take away"
xdotool mousemove 1013 758 click --repeat 2 --delay 80 1
sleep 1  # a double-click on nothing must have no effect; nothing to wait for
inspect windows Voltaris | grep -q hidden || fail "the window showed with no tray icon"
inspect post Voltaris TaskbarCreated >/dev/null
shown_from_tray() {
  xdotool mousemove 1013 758 click --repeat 2 --delay 80 1
  inspect wait Voltaris visible 500
}
wait_until 10 shown_from_tray || fail "the tray icon did not come back after TaskbarCreated"

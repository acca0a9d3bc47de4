#!/usr/bin/env bash
# Every way out records "  Program End" and ends the process: the Exit
# command (menu or tray menu, which send the same command), its accelerator
# Ctrl+E, and the tray menu chosen with the mouse and keyboard.
source "$(dirname "$0")/lib.sh"
e2e_init exit_paths 240
e2e_sim
e2e_install en

run_until_exit() {
  local how=$1
  rm -f "$APP_DIR/EventRecord.csv"
  e2e_start_app
  wait_event 30 "  COM UPS is Connected!" || fail "$how: never connected"
  shift
  "$@"
  app_gone 15 || fail "$how: the program did not end"
  expect_eq "$(events | tail -n 1)" "  Program End" "$how: last event"
  expect_eq "$(count_event "  Program End")" 1 "$how: Program End records"
}

exit_command() { inspect command Voltaris 40003 >/dev/null; }
exit_accelerator() {
  inspect command Voltaris 40023 >/dev/null  # show the window, so it has the keyboard
  wait_until 10 inspect wait Voltaris visible 200
  xdotool search --name '^Voltaris$' windowactivate --sync 2>/dev/null
  xdotool key ctrl+e
}
exit_tray_menu() {
  xdotool mousemove 1013 758 click 3
  wait_until 10 inspect wait '#32768' visible 200 || fail "the tray menu did not open"
  # The last item is "&Exit Voltaris System": click it.
  read -r left top right bottom <<<"$(inspect rect '#32768')"
  xdotool mousemove $(((left + right) / 2)) $((bottom - 10)) click 1
}

run_until_exit "Exit command" exit_command
run_until_exit "Ctrl+E" exit_accelerator
run_until_exit "tray menu" exit_tray_menu

#!/usr/bin/env bash
# The main window as the user sees it: the gauge panel reads the UPS (230 V
# in, 229 V out, 35 % load, 50 Hz, 25 C, a battery at 80 %) and drops to zero
# when the UPS is unplugged; accelerators and menu commands open their
# window once however often they are used; Ctrl+C with no shutdown counting
# does nothing; the top bar's 10-second test leaves "Cancel Selftest" grey in
# the menu while the bar's own cancel zone works; About closes itself.
source "$(dirname "$0")/lib.sh"
e2e_init main_window 180
e2e_sim
e2e_install en
sim_known_readings
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
inspect command Voltaris 40023 >/dev/null  # the window starts hidden behind the tray icon
readout() { inspect text Voltaris "$1"; }
# The six bar positions, in the order of their ids.
bar_positions() {
  local bar out=""
  for bar in 1001 1002 1003 1004 1005 1006; do out+="$(inspect progress Voltaris $bar) "; done
  echo "$out"
}
wait_until 10 bash -c "[ \"\$(wine '$VOLTARIS_INSPECT' text Voltaris 1110 2>/dev/null | tr -d '\r')\" = '230 V' ]" ||
  fail "input readout: $(readout 1110)"
expect_eq "$(readout 1111)" "229 V" "output readout"
expect_eq "$(readout 1112)" "35%" "load readout"
expect_eq "$(readout 1113)" "80 %" "battery readout"
expect_eq "$(readout 1114)" "25 C" "temperature readout"
expect_eq "$(readout 1115)" "50 Hz" "frequency readout"
expect_eq "$(bar_positions)" "230 229 35 80 25 50 " "bar positions"
screenshot main-window

e2e_log "unplugged"
sim_control unplug >/dev/null
wait_until 20 bash -c "[ \"\$(wine '$VOLTARIS_INSPECT' text Voltaris 1110 2>/dev/null | tr -d '\r')\" = '0 V' ]" ||
  fail "the gauges were not zeroed: $(readout 1110)"
texts=""
for id in 1110 1111 1112 1113 1114 1115; do texts+="$(readout $id)|"; done
expect_eq "$texts" "0 V|0 V|0 %|0 %|0 C|0 Hz|" "readouts after the unplug"
expect_eq "$(bar_positions)" "0 0 0 0 0 0 " "bars after the unplug"
for box in $(inspect windows '#32770' | awk '/"Voltaris"/ {print $1}'); do inspect close "$box" >/dev/null; done
sim_control plug >/dev/null
wait_event 30 "  COM UPS is Connected!" 2 || fail "never connected again"

e2e_log "accelerators and commands open one window each"
W=$(xdotool search --name '^Voltaris$' | head -n1)
[ -n "$W" ] || fail "no main window for the keyboard"
key() { xdotool key --window "$W" "$1"; sleep 0.4; }
windows_titled() { inspect windows '#32770' | grep -c "\"$1\"" || true; }
# key_opens KEYS TITLE: the key opens the dialog; a key a loaded machine
# never handed to the window is sent again (a second press opens no second one).
key_opens() {
  local try
  for try in 1 2 3; do
    key "$1"
    wait_until 5 inspect wait "#32770/$2" visible 200 && return 0
  done
  return 1
}
key_opens ctrl+d 'Data Plot' || fail "Ctrl+D opened no data plot"
key ctrl+d
inspect command Voltaris 40008 >/dev/null
sleep 0.5
expect_eq "$(windows_titled 'Data Plot')" 1 "data plots after three uses"
expect_eq "$(inspect children '#32770/Data Plot' | awk '$2 ~ /^pic(8|9|10|11|12|13)$/' | wc -l)" 6 "plot panes"
sleep 3
screenshot data-plot
key_opens ctrl+w 'Weekly Schedule' || fail "Ctrl+W opened no weekly schedule"
key ctrl+w
sleep 1.5  # a loaded machine may hand the key over late: it must not reopen the window after the close
expect_eq "$(windows_titled 'Weekly Schedule')" 1 "weekly schedules after two uses"
inspect close '#32770/Weekly Schedule' >/dev/null
key_opens ctrl+t 'Special Time Selftest' || fail "Ctrl+T opened no timed test dialog"
key ctrl+t
sleep 1.5  # a loaded machine may hand the key over late: it must not reopen the window after the close
expect_eq "$(windows_titled 'Special Time Selftest')" 1 "timed test dialogs after two uses"
inspect close '#32770/Special Time Selftest' >/dev/null
for pair in "ctrl+s:UPS  Setting Configure" "ctrl+a:Alarm Message"; do
  key_opens "${pair%%:*}" "${pair#*:}" || fail "${pair%%:*} opened no ${pair#*:}"
  key "${pair%%:*}"
  sleep 1.5  # a loaded machine may hand the key over late: it must not reopen the window after the close
  expect_eq "$(windows_titled "${pair#*:}")" 1 "${pair#*:} dialogs after two uses"
  inspect close "#32770/${pair#*:}" >/dev/null
done
inspect close '#32770/Data Plot' >/dev/null
wait_until 5 inspect wait '#32770/Data Plot' gone 200 || fail "the data plot did not close"

events_before=$(events | wc -l)
key ctrl+c
sleep 0.5
expect_eq "$(countdown_windows | wc -l)" 0 "windows after Ctrl+C with nothing counting"
expect_eq "$(inspect menustate Voltaris 40013)" GRAYED "Cancel Shutdown System"
expect_eq "$(events | wc -l)" "$events_before" "events after Ctrl+C"

e2e_log "the top bar's 10-second test"
inspect click pic1 $SKIN_TOP_TEN_SECOND_TEST >/dev/null
wait_until 10 countdowns_open 1 || fail "the top bar's zone opened no test window"
expect_eq "$(inspect menustate Voltaris 40017)" GRAYED "Cancel Selftest in the menu"
wait_until 5 bash -c "grep -q ' T\$' '$SIM_LOG'" || fail "the UPS never received T"
inspect click pic1 $SKIN_TOP_CANCEL_SELF_TEST >/dev/null
wait_until 5 countdowns_open 0 || fail "the bar's cancel zone left the test window"
wait_until 5 bash -c "grep -q ' CT\$' '$SIM_LOG'" || fail "the UPS never received CT"

e2e_log "About closes itself"
start=$(date +%s%N)
inspect command Voltaris 40019 >/dev/null
wait_until 5 bash -c "wine '$VOLTARIS_INSPECT' windows '#32770' 2>/dev/null | grep -q '\"\"'" || true
inspect command Voltaris 40019 >/dev/null
wait_until 10 bash -c "[ \$(wine '$VOLTARIS_INSPECT' windows '#32770' 2>/dev/null | grep -c 'visible \"\"') -eq 0 ]" ||
  fail "About stayed"
shown=$((($(date +%s%N) - start) / 1000000))
e2e_log "About shown for about $shown ms"
[ "$shown" -ge 3000 ] && [ "$shown" -le 6500 ] || fail "About shown for $shown ms"

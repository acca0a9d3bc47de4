#!/usr/bin/env bash
# The USB link through quillon.dll. With no settings file and no HID unit
# (none under Wine) the program reports the UPS missing ("  UPS is
# DisConnected!", "Please Connected UPS!"). Then, through each
# USB family the simulator plays (the DLL's serial-over-HID and string-index
# framings): "  USB UPS is Connected!", the readings on the gauges, no serial
# queries at all, a mains failure opening the count-down, and the 10-second
# test reaching the UPS as code 4; over serial-over-HID also the timed
# test's own bytes and the cancel as code 7. Of the string units behind
# 0001:0000, a fabula one (its own strings, C at 0x0a, no tests) is
# monitored the same way; a fuji one, which the DLL refuses by its strings,
# is recorded once as "  USB UPS Not Supported: ATCL FOR UPS ATCL FOR UPS"
# and never connected. A library whose call never returns does not hold up
# the shutdown at the end of a count-down.
source "$(dirname "$0")/lib.sh"
e2e_init usb_link 200
e2e_install en
sed -i 's/^ComboPort=.*/ComboPort=8\r/' "$APP_DIR/UpsConfigure.ini"
set_setting CutACTimeMessage 1

e2e_log "no settings file, no HID unit"
e2e_start_app
wait_event 30 "  UPS is DisConnected!" || fail "the missing unit was not recorded: $(events)"
has_event "  USB UPS is Connected!" && fail "a USB UPS was reported with none there"
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no box"
inspect children '#32770/Voltaris' | grep -q '"Please Connected UPS!"' || fail "the box does not say \"Please Connected UPS!\""
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"

# usb_sim FAMILY [KIND]: a simulator playing a unit of FAMILY (of KIND, a
# string unit's kind), named in quillon.ini.
usb_sim() {
  local name=$1${2:+-$2}
  SIM_LOG=$RUN/upssim-$name.log
  SIM_CONTROL=$RUN/upssim-$name.ctl
  "$VOLTARIS_UPSSIM" --tcp 0 --usb-family "$1" ${2:+--usb-kind "$2"} --log "$SIM_LOG" --control "$SIM_CONTROL" \
    >"$RUN/upssim-$name.out" 2>"$RUN/upssim-$name.err" &
  E2E_PIDS+=($!)
  for _ in $(seq 200); do [ -s "$RUN/upssim-$name.out" ] && break; sleep 0.02; done
  write_quillon_ini "$APP_DIR" "$(head -n1 "$RUN/upssim-$name.out")" "$1"
}
sent() { grep -c " $1\$" "$SIM_LOG"; }
readout() { inspect text Voltaris "$1"; }

# monitored_through FAMILY N [KIND]: the program (started for the Nth time
# on a unit) on a unit of FAMILY (of KIND), its gauges, a mains failure's
# count-down and the 10-second test (which fabula units have no string for).
monitored_through() {
  e2e_log "through the $1 family${3:+, a $3 unit}"
  local n=$2
  usb_sim "$1" "${3:-}"
  sim_control "input 231" >/dev/null
  e2e_start_app
  wait_event 30 "  USB UPS is Connected!" "$n" || fail "the USB UPS was never reported ($1): $(events)"
  wait_until 10 menu_state_is 3 ENABLED bypos || fail "Control Center stays greyed ($1)"
  inspect command Voltaris 40023 >/dev/null  # the gauges are drawn while the window is open
  wait_until 10 bash -c "[ \"\$(wine '$VOLTARIS_INSPECT' text Voltaris 1110 2>/dev/null | tr -d '\r')\" = '231 V' ]" ||
    fail "input readout ($1): $(readout 1110)"
  expect_eq "$(readout 1112)" "12%" "load readout ($1)"
  grep -q ' Q1$' "$SIM_LOG" || fail "no status query over USB ($1)"
  has_event "  COM UPS is Connected!" && fail "a serial connection was recorded"
  if [ "${3:-}" != fabula ]; then
    inspect command Voltaris 40014 >/dev/null
    wait_until 10 bash -c "grep -q ' T\$' '$SIM_LOG'" || fail "the 10-second test never reached the UPS ($1)"
    expect_eq "$(sent T)" 1 "10-second tests sent ($1)"
  fi
  sim_control "mains fail" >/dev/null
  wait_until 10 countdowns_open 1 || fail "no count-down window after the mains failed ($1)"
  wait_event 5 "  AC Fail!" "$n" || fail "no \"  AC Fail!\" event ($1)"
  sim_control "mains ok" >/dev/null
  wait_until 10 countdowns_open 0 || fail "the count-down stayed after the mains came back ($1)"
}

monitored_through report 1
inspect command Voltaris 40017 >/dev/null
wait_until 10 bash -c "grep -q ' CT\$' '$SIM_LOG'" || fail "the cancel never reached the UPS"
set_setting SpecialTimeTest 3
inspect command Voltaris 40016 >/dev/null
wait_until 10 inspect wait '#32770/Special Time Selftest' visible 200 || fail "no Special Time Selftest dialog"
inspect click '#32770/Special Time Selftest' $SKIN_TIMED_TEST_OK >/dev/null
wait_until 10 bash -c "grep -q ' T03\$' '$SIM_LOG'" || fail "the timed test never reached the UPS"
expect_eq "$(sent T03)" 1 "timed tests sent"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"

monitored_through string 2
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"

monitored_through string 3 fabula
# Its test command is never sent: a unit spoken to as krauler would be asked
# at krauler's index of it.
inspect command Voltaris 40014 >/dev/null
sleep 2
grep -q ' string 0x\| T$' "$SIM_LOG" && fail "the fabula unit was asked for a test: $(grep -m 3 ' string 0x\| T$' "$SIM_LOG")"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"

e2e_log "a unit the DLL refuses: fuji"
usb_sim string fuji
e2e_start_app
refused="  USB UPS Not Supported: ATCL FOR UPS ATCL FOR UPS"
wait_event 30 "$refused" || fail "the refused unit was not recorded: $(events | tail -n 5)"
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no \"no UPS\" box for a refused unit"
sleep 3  # a few more passes, each finding the unit again
expect_eq "$(count_event "$refused")" 1 "records of the refused unit"
expect_eq "$(count_event "  USB UPS is Connected!")" 3 "USB connections recorded"
expect_eq "$(inspect replies Voltaris | tr -d '\r')" 0 "status replies taken from a refused unit"
grep -q ' identity$' "$SIM_LOG" || fail "the refused unit was never asked who it is"
grep -q ' string 0x\| Q1$' "$SIM_LOG" && fail "a refused unit was asked for a string: $(grep -m 3 ' string 0x\| Q1$' "$SIM_LOG")"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"

e2e_log "a link library whose CmdInput never returns"
cp "$VOLTARIS_WIN_TESTS/quillon_hung.dll" "$APP_DIR/quillon.dll"
e2e_start_app
wait_event 30 "  Program Start" 6 || fail "the program did not start again"
sleep 1  # the monitor is inside CmdInput by now, for good
# Another program of the session: it goes only when Windows shuts down, not
# when the program merely falls over.
wine "$VOLTARIS_INSPECT" wait '#32770/never shown' visible 120000 >/dev/null 2>&1 &
bystander=$!
E2E_PIDS+=($bystander)
inspect command Voltaris 40012 >/dev/null
wait_until 20 test -e "$APP_DIR/db3.csv" || fail "the manual count-down never ended"
ended=$(date +%s%N)
app_gone 10 || fail "the system was not shut down: the way out waits for the library"
took=$((($(date +%s%N) - ended) / 1000000))
e2e_log "system shut down ${took} ms after the end of the count-down"
# Wine takes the documented shutdown call and does nothing: the second way
# follows 3 s later (kShutdownConfirmMs), and the session ends at once then.
[ "$took" -le 6000 ] || fail "the shutdown came ${took} ms after the end of the count-down"
wait_until 10 bash -c "! kill -0 $bystander 2>/dev/null" || fail "the session goes on: the program ended without the shutdown"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"

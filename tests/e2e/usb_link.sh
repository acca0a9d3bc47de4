#!/usr/bin/env bash
# The USB link through quillon.dll: "  USB UPS is Connected!", no serial
# queries at all, and the self-tests reach the UPS through the library: the
# 10-second test as code 4, the timed test's own bytes, the cancel as code 7.
# A library whose call never returns does not hold up the shutdown at the
# end of a count-down.
source "$(dirname "$0")/lib.sh"
e2e_init usb_link 200
"$VOLTARIS_UPSSIM" --tcp 0 --log "$RUN/upssim.log" >"$RUN/upssim.out" 2>"$RUN/upssim.err" &
E2E_PIDS+=($!)
for _ in $(seq 200); do [ -s "$RUN/upssim.out" ] && break; sleep 0.02; done
e2e_install en
sed -i 's/^ComboPort=.*/ComboPort=8\r/' "$APP_DIR/UpsConfigure.ini"
printf '[Transport]\r\nKind=tcp\r\nHost=127.0.0.1\r\nPort=%s\r\n' "$(head -n1 "$RUN/upssim.out")" >"$APP_DIR/quillon.ini"
e2e_start_app
wait_event 30 "  USB UPS is Connected!" || fail "the USB UPS was never reported: $(events)"
wait_until 10 menu_state_is 3 ENABLED bypos || fail "Control Center stays greyed"
grep -q ' Q1$' "$RUN/upssim.log" || fail "no status query over USB"
has_event "  COM UPS is Connected!" && fail "a serial connection was recorded"
sent() { grep -c " $1\$" "$RUN/upssim.log"; }
set_setting SpecialTimeTest 3
inspect command Voltaris 40014 >/dev/null
wait_until 10 bash -c "grep -q ' T\$' '$RUN/upssim.log'" || fail "the 10-second test never reached the UPS"
inspect command Voltaris 40017 >/dev/null
wait_until 10 bash -c "grep -q ' CT\$' '$RUN/upssim.log'" || fail "the cancel never reached the UPS"
inspect command Voltaris 40016 >/dev/null
wait_until 10 inspect wait '#32770/Special Time Selftest' visible 200 || fail "no Special Time Selftest dialog"
inspect click '#32770/Special Time Selftest' 305 135 >/dev/null
wait_until 10 bash -c "grep -q ' T03\$' '$RUN/upssim.log'" || fail "the timed test never reached the UPS"
expect_eq "$(sent T)" 1 "10-second tests sent"
expect_eq "$(sent T03)" 1 "timed tests sent"

e2e_log "a link library whose CmdInput never returns"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end"
cp "$VOLTARIS_WIN_TESTS/quillon_hung.dll" "$APP_DIR/quillon.dll"
e2e_start_app
wait_event 30 "  Program Start" 2 || fail "the program did not start again"
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
[ "$took" -le 3000 ] || fail "the shutdown came ${took} ms after the end of the count-down"
wait_until 10 bash -c "! kill -0 $bystander 2>/dev/null" || fail "the session goes on: the program ended without the shutdown"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"

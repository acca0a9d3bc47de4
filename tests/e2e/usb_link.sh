#!/usr/bin/env bash
# The USB link through quillon.dll: "  USB UPS is Connected!", no serial
# queries at all, and the self-tests reach the UPS through the library: the
# 10-second test as code 4, the timed test's own bytes, the cancel as code 7.
source "$(dirname "$0")/lib.sh"
e2e_init usb_link 150
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

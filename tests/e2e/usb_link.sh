#!/usr/bin/env bash
# The USB link through quillon.dll: "  USB UPS is Connected!", and no serial
# queries at all.
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
true

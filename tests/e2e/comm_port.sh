#!/usr/bin/env bash
# The serial port object against simulated UPSes at three bit rates, a silent
# one and a port mapped to nothing; the assertions are in comm_port_wine_tests.exe.
source "$(dirname "$0")/lib.sh"
e2e_init comm_port 150
E2E_COM=1 e2e_sim --rate 2400
E2E_COM=2 e2e_sim --rate 4800
E2E_COM=3 e2e_sim --rate 9600
echo "at 0 unplug" >"$RUN/silent.txt"
E2E_COM=4 e2e_sim --scenario "$RUN/silent.txt"
e2e_map_com 5 "$RUN/no-such-tty"
e2e_wine_up
wine "$VOLTARIS_WIN_TESTS/comm_port_wine_tests.exe" >"$RUN/gtest.log" 2>&1
rc=$?
tr -d '\r' <"$RUN/gtest.log"
[ "$rc" -eq 0 ] || fail "comm_port_wine_tests failed ($rc)"
grep -q ' Q1$' "$RUN/upssim-com3.log" || fail "no Q1 reached the 9600 bit/s UPS"

#!/usr/bin/env bash
# quillon.dll against the simulator in TCP mode: replies, commands, two
# threads at once, the simulator going away and coming back. The assertions
# on replies are in quillon_wine_tests.exe; the commands are checked here in
# the simulator's log.
source "$(dirname "$0")/lib.sh"
e2e_init quillon 180

start_tcp_sim() {
  "$VOLTARIS_UPSSIM" --tcp "${1:-0}" --log "$RUN/upssim.log" >"$RUN/upssim.out" 2>>"$RUN/upssim.err" &
  SIM_PID=$!
  E2E_PIDS+=($SIM_PID)
  for _ in $(seq 200); do [ -s "$RUN/upssim.out" ] && break; sleep 0.02; done
  PORT=$(head -n1 "$RUN/upssim.out")
  [ -n "$PORT" ] || fail "the simulator did not start"
}

start_tcp_sim 0
lib=$RUN/lib
mkdir -p "$lib" "$RUN/handshake"
cp "$VOLTARIS_DIST/en/quillon.dll" "$VOLTARIS_WIN_TESTS/quillon_wine_tests.exe" "$lib/"
printf '[Transport]\r\nKind=tcp\r\nHost=127.0.0.1\r\nPort=%s\r\n' "$PORT" >"$lib/quillon.ini"
e2e_wine_up
VOLTARIS_HANDSHAKE=$RUN/handshake wine "$lib/quillon_wine_tests.exe" >"$RUN/gtest.log" 2>&1 &
tests=$!
while kill -0 $tests 2>/dev/null; do
  if [ -e "$RUN/handshake/stop-simulator" ]; then
    rm "$RUN/handshake/stop-simulator"
    kill "$SIM_PID"; wait "$SIM_PID" 2>/dev/null
    touch "$RUN/handshake/simulator-stopped"
  fi
  if [ -e "$RUN/handshake/start-simulator" ]; then
    rm "$RUN/handshake/start-simulator"
    : >"$RUN/upssim.out"
    start_tcp_sim "$PORT"
    touch "$RUN/handshake/simulator-started"
  fi
  sleep 0.05
done
wait $tests
rc=$?
tr -d '\r' <"$RUN/gtest.log"
[ "$rc" -eq 0 ] || fail "quillon_wine_tests failed ($rc)"

for command in T TL CT T05 S02R9999 S01R0075; do
  grep -q " $command\$" "$RUN/upssim.log" || fail "the UPS never received $command"
done

#!/usr/bin/env bash
# quillon.dll against the simulator in TCP mode, once as plain lines and
# once playing each USB family (the DLL then runs the same framings a real
# unit meets): replies, commands, two threads at once, the simulator going
# away and coming back; then a string unit the DLL refuses by its strings
# (fuji), named to the caller. The assertions on replies are in
# quillon_wine_tests.exe; the commands are checked here in the simulator's log.
source "$(dirname "$0")/lib.sh"
e2e_init quillon 180

FAMILY=  # empty: plain lines; else the USB family the simulator plays
KIND=    # empty: the family's default unit; else the string unit's kind
start_tcp_sim() {
  "$VOLTARIS_UPSSIM" --tcp "${1:-0}" ${FAMILY:+--usb-family "$FAMILY"} ${KIND:+--usb-kind "$KIND"} \
    --log "$SIM_LOG" >"$RUN/upssim.out" 2>>"$RUN/upssim.err" &
  SIM_PID=$!
  E2E_PIDS+=($SIM_PID)
  for _ in $(seq 200); do [ -s "$RUN/upssim.out" ] && break; sleep 0.02; done
  PORT=$(head -n1 "$RUN/upssim.out")
  [ -n "$PORT" ] || fail "the simulator did not start"
}

# run_against FAMILY [TESTS]: the Wine tests (those of the gtest filter
# TESTS) against a simulator of that family, serving their hand-shakes that
# stop and restart it.
run_against() {
  FAMILY=$1
  SIM_LOG=$RUN/upssim-${FAMILY:-line}${KIND:+-$KIND}.log
  rm -f "$RUN"/handshake/*  # an earlier run's answers would be taken for this one's
  : >"$RUN/upssim.out"
  start_tcp_sim 0
  write_quillon_ini "$lib" "$PORT" "$FAMILY"
  e2e_log "quillon.dll over ${FAMILY:-plain lines}"
  VOLTARIS_HANDSHAKE=$RUN/handshake wine "$lib/quillon_wine_tests.exe" --gtest_filter="${2:-QuillonWithSimulator.*}" \
    >"$RUN/gtest.log" 2>&1 &
  local tests=$!
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
  local rc=$?
  tr -d '\r' <"$RUN/gtest.log"
  [ "$rc" -eq 0 ] || fail "quillon_wine_tests over ${FAMILY:-plain lines} failed ($rc)"
  kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null
}

received() { grep -q " $1\$" "$SIM_LOG"; }

lib=$RUN/lib
mkdir -p "$lib" "$RUN/handshake"
cp "$VOLTARIS_DIST/en/quillon.dll" "$VOLTARIS_WIN_TESTS/quillon_wine_tests.exe" "$lib/"
e2e_wine_up
for family in "" report string; do
  run_against "$family"
  for command in T TL CT; do received $command || fail "the UPS never received $command over ${family:-lines}"; done
  # The timed test and the switch-off forms have no string of their own:
  # a string-index unit never hears of them.
  for command in T05 S02R9999 S01R0075; do
    if [ "$family" = string ]; then
      if received $command; then fail "$command reached a string-index unit"; fi
    else
      received $command || fail "the UPS never received $command over ${family:-lines}"
    fi
  done
done

KIND=fuji
run_against string 'QuillonRefusingAUnit.*'
grep -q ' identity$' "$SIM_LOG" || fail "the refused unit was never asked who it is"
grep -q ' string 0x\| Q1$' "$SIM_LOG" && fail "a refused unit was asked for a string: $(grep -m 3 ' string 0x\| Q1$' "$SIM_LOG")"
KIND=

#!/usr/bin/env bash
# ShutdownSystem (with the shutdown privilege, forced) ends the Wine
# session: the running program goes with it.
source "$(dirname "$0")/lib.sh"
e2e_init shutdown 150
e2e_sim
e2e_install en
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
wine "$VOLTARIS_WIN_TESTS/shutdown_probe.exe" >"$RUN/probe.log" 2>&1 &
probe=$!
E2E_PIDS+=($probe)
app_gone 30 || fail "the program survived the shutdown"
wait_until 30 bash -c "! kill -0 $probe 2>/dev/null" || fail "the probe survived the shutdown"
grep -q "calling ShutdownSystem" "$RUN/probe.log" || fail "the probe never ran"
grep -q "ShutdownSystem returned 0" "$RUN/probe.log" && fail "the shutdown was refused"
true

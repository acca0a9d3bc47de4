#!/usr/bin/env bash
# A UPS that stays silent for a minute and more: every query waits its whole read, but
# nothing piles up, and the program leaves within a second of being asked.
source "$(dirname "$0")/lib.sh"
silence=${VOLTARIS_SILENCE_SECONDS:-70}
e2e_init fault_silent $((silence + 120))
e2e_sim
e2e_install en
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
sim_control unplug >/dev/null
wait_event 20 "  UPS is DisConnected!" || fail "the silent UPS was not recorded"
e2e_log "silent for $silence s"
sleep "$silence"
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "losses recorded"
queries=$(grep -c ' Q1$' "$SIM_LOG")
e2e_log "$queries status queries reached the silent UPS"
[ "$queries" -ge $((silence / 3)) ] || fail "only $queries status queries in $silence s: the program stopped asking"

start=$(date +%s%N)
inspect command Voltaris 40003 >/dev/null
app_gone 10 || fail "the program did not end"
elapsed=$((($(date +%s%N) - start) / 1000000))
e2e_log "left $elapsed ms after being asked"
[ "$elapsed" -le 1000 ] || fail "took $elapsed ms to leave"
expect_eq "$(events | tail -n 1)" "  Program End" "last event"

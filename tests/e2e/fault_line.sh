#!/usr/bin/env bash
# Faults on the line, each while Voltaris monitors the simulator: the
# simulator killed (the line goes away) and started again behind the same COM
# port, recorded lost once and connected once; replies cut short with noise
# around them, none of which is taken as a reading.
source "$(dirname "$0")/lib.sh"
e2e_init fault_line 200
e2e_sim
e2e_install en
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

replies_grow() {
  local before
  before=$(inspect replies Voltaris)
  wait_until "$1" bash -c "[ \$(wine '$VOLTARIS_INSPECT' replies Voltaris | tr -d '\r') -gt $before ]"
}

e2e_log "the line goes away"
e2e_sim_kill
wait_event 20 "  UPS is DisConnected!" || fail "the lost line was not recorded: $(events)"
sleep 4  # a few attempts to open a port that is not there
e2e_log "a new simulator behind the same port"
e2e_sim_restart
wait_event 30 "  COM UPS is Connected!" 2 || fail "the line was not found again: $(events)"
replies_grow 10 || fail "no readings after the line came back"
sleep 2
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "losses recorded"
expect_eq "$(count_event "  COM UPS is Connected!")" 2 "connections recorded"

e2e_log "replies cut short, with noise between them"
sim_control "cut 40" >/dev/null
sim_control "trail 7" >/dev/null  # 40 + 7 bytes: the length of a whole reply
sleep 2
before=$(inspect replies Voltaris)
sleep 8
expect_eq "$(inspect replies Voltaris)" "$before" "garbled replies accepted"
sim_control "trail off" >/dev/null
expect_eq "$(inspect warnings Voltaris)" "mains armed battery armed" "warnings after the garbled replies"
sim_control "cut off" >/dev/null
for _ in $(seq 5); do sim_control "noise 60" >/dev/null; sleep 0.5; done
replies_grow 10 || fail "no readings once the replies were whole again"
expect_eq "$(inspect warnings Voltaris)" "mains armed battery armed" "warnings after the noise"
expect_eq "$(count_event "  UPS is DisConnected!")" 1 "losses recorded"

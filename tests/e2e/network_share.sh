#!/usr/bin/env bash
# Other computers follow the UPS over the network with NUT's own clients:
# upsc lists the simulator's values, shows OB once the mains fail and OL when
# they return; a server with no fresh data says so; a fuzzing client (random
# bytes, long lines, a flood of connections) leaves the program monitoring
# and the server answering once the flood is gone; one computer holding every
# place keeps neither upsc nor a logging-in secondary out.
source "$(dirname "$0")/lib.sh"
e2e_init network_share 240
command -v upsc >/dev/null || fail "upsc is missing (package nut-client)"
e2e_sim
e2e_install en
sim_known_readings
PORT=$(free_port)
set_network "$PORT"
UPS=voltaris@127.0.0.1:$PORT
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

nut() { upsc "$@" 2>>"$RUN/upsc.err"; }
status_is() { [ "$(nut "$UPS" ups.status)" = "$1" ]; }
on_battery() { [[ "$(nut "$UPS" ups.status)" == OB* ]]; }  # the simulator's battery may also be low
wait_until 10 status_is OL || fail "ups.status: $(nut "$UPS" ups.status)"
nut "$UPS" >"$RUN/upsc-list.txt" || fail "upsc could not list the variables"
value() { sed -n "s/^$1: //p" "$RUN/upsc-list.txt"; }
expect_eq "$(value input.voltage)" "230.0" "input.voltage"
expect_eq "$(value output.voltage)" "229.0" "output.voltage"
expect_eq "$(value ups.load)" "35" "ups.load"
expect_eq "$(value input.frequency)" "50.0" "input.frequency"
expect_eq "$(value ups.temperature)" "25.0" "ups.temperature"
expect_eq "$(value battery.voltage)" "21.7" "battery.voltage"
expect_eq "$(value battery.voltage.nominal)" "24.00" "battery.voltage.nominal"
expect_eq "$(value battery.charge)" "80" "battery.charge"
expect_eq "$(value device.type)" "ups" "device.type"
expect_eq "$(value driver.name)" "voltaris" "driver.name"
expect_eq "$(nut -l 127.0.0.1:$PORT)" "voltaris" "upsc -l"
nut "voltaris@127.0.0.1:$PORT" ups.mode.buzzwords && fail "an unknown variable was answered"
grep -q "Variable not supported" "$RUN/upsc.err" || fail "upsc did not report the unknown variable"
nut "other@127.0.0.1:$PORT" ups.status && fail "an unknown UPS was answered"
grep -q "Unknown UPS" "$RUN/upsc.err" || fail "upsc did not report the unknown UPS"

e2e_log "the mains fail"
sim_control "mains fail" >/dev/null
wait_until 10 on_battery || fail "ups.status after the mains failed: $(nut "$UPS" ups.status)"
expect_eq "$(nut "$UPS" input.voltage)" "0.0" "input.voltage on battery"
sim_control "mains ok" >/dev/null
wait_until 10 status_is OL || fail "ups.status after the mains came back: $(nut "$UPS" ups.status)"

e2e_log "fuzzing client"
replies_before=$(inspect replies Voltaris)
fuzz_connection() {
  exec 5<>"/dev/tcp/127.0.0.1/$PORT" || return
  head -c 3000 /dev/urandom >&5 2>/dev/null
  printf 'GET VAR\nLIST\n"open quote\nLOGIN voltaris\nUSERNAME a b c\n%s\n' "$(head -c 2000 /dev/zero | tr '\0' A)" \
    >&5 2>/dev/null
  head -c 2000 /dev/urandom | tr '\0' '\n' >&5 2>/dev/null
  exec 5>&-
}
for round in $(seq 40); do (fuzz_connection) 2>/dev/null; done
# A flood: more connections than the server keeps, held open and silent.
flood_pids=()
for n in $(seq 40); do
  (exec 6<>"/dev/tcp/127.0.0.1/$PORT" && sleep 8) 2>/dev/null &
  flood_pids+=($!)
done
sleep 3
replies_during=$(inspect replies Voltaris)
[ "$replies_during" -gt "$replies_before" ] || fail "monitoring stopped during the flood ($replies_before, $replies_during)"
for pid in "${flood_pids[@]}"; do wait "$pid" 2>/dev/null; done
sleep 2
replies_after=$(inspect replies Voltaris)
[ "$replies_after" -ge $((replies_during + 3)) ] || fail "monitoring slowed: $replies_during then $replies_after"
wait_until 10 status_is OL || fail "the server did not answer after the flood"
kill -0 "$APP_PID" || fail "the program ended"
expect_eq "$(count_event "  Program End")" "0" "program end events"

e2e_log "one computer opens every place"
# Sixteen idle connections from this address (loopback is one address) keep
# neither upsc nor a secondary out: the oldest idle ones make room, and the
# secondary, once logged in, keeps its place against sixteen more.
hold_places() {
  local n fd
  for n in $(seq 16); do
    exec {fd}<>"/dev/tcp/127.0.0.1/$PORT" || fail "connection $n was refused"
    held+=("$fd")
  done
}
ask() { printf '%s\n' "$1" >&"$secondary"; read -r -t 5 reply <&"$secondary" && echo "$reply"; }
held=()
hold_places
read -r -t 2 _ <&"${held[0]}"
[ $? -eq 1 ] || fail "the oldest idle connection was not let go"
expect_eq "$(nut "$UPS" ups.status)" "OL" "upsc with every place held"
exec {secondary}<>"/dev/tcp/127.0.0.1/$PORT" || fail "the secondary could not connect"
expect_eq "$(ask "USERNAME monuser")$(ask "PASSWORD secret")$(ask "LOGIN voltaris")" "OKOKOK" "the secondary's login"
hold_places
expect_eq "$(ask "GET VAR voltaris ups.status")" 'VAR voltaris ups.status "OL"' "the secondary after sixteen more"
expect_eq "$(nut -c "$UPS")" "127.0.0.1" "logged-in clients"
expect_eq "$(ask LOGOUT)" "OK Goodbye" "the secondary's logout"
for fd in "${held[@]}" "$secondary"; do exec {fd}>&-; done

e2e_log "the UPS stops answering: no fresh data"
sim_control unplug >/dev/null
wait_until 20 bash -c "upsc '$UPS' ups.status 2>&1 | grep -q 'Data stale'" || fail "stale data was served"

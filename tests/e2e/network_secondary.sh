#!/usr/bin/env bash
# A second computer on the same UPS: NUT's upsmon, as a secondary of this
# program's network server, sees the mains fail (ONBATT). When the program's
# mains-failure count-down ends, the program shows FSD, upsmon runs its
# SHUTDOWNCMD and leaves, the program records that its secondaries logged out
# and only then ends the Wine session.
source "$(dirname "$0")/lib.sh"
e2e_init network_secondary 240
e2e_sim
e2e_install en
set_setting CutACTimeMessage 1
set_setting BatteryTime 1
PORT=$(free_port)
set_network "$PORT" HostSync=30
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

# upsmon's own folder: its configuration, its state and the file its
# shutdown command leaves.
NUT_DIR=$RUN/nut
mkdir -p "$NUT_DIR"
cat >"$NUT_DIR/upsmon.conf" <<CONF
MONITOR voltaris@127.0.0.1:$PORT 1 monuser secret secondary
MINSUPPLIES 1
SHUTDOWNCMD "/bin/sh -c 'date +%s.%N > $NUT_DIR/shutdown-ran'"
POWERDOWNFLAG $NUT_DIR/killpower
RUN_AS_USER root
POLLFREQ 1
POLLFREQALERT 1
HOSTSYNC 5
DEADTIME 15
FINALDELAY 0
CONF
chmod 600 "$NUT_DIR/upsmon.conf"
e2e_upsmon "$NUT_DIR"

logged_in() { upsc -c "voltaris@127.0.0.1:$PORT" 2>/dev/null | grep -qx 127.0.0.1; }
wait_until 20 logged_in || fail "upsmon did not log in: $(tail -n 5 "$NUT_DIR/upsmon.log")"

e2e_log "the mains fail"
sim_control "mains fail" >/dev/null
wait_until 20 grep -q "on battery" "$NUT_DIR/upsmon.log" || fail "upsmon did not see ONBATT"
[ -e "$NUT_DIR/shutdown-ran" ] && fail "upsmon shut down before the count-down ended"
wait_until 10 countdowns_open 1 || fail "no count-down window after the mains failed"

e2e_log "the count-down runs to its end"
app_gone 120 || fail "the Wine session was not ended"
gone_at=$(date +%s.%N)
[ -e "$NUT_DIR/shutdown-ran" ] || fail "upsmon never ran its SHUTDOWNCMD: $(tail -n 5 "$NUT_DIR/upsmon.log")"
ran_at=$(cat "$NUT_DIR/shutdown-ran")
awk -v a="$ran_at" -v b="$gone_at" 'BEGIN { exit !(a < b) }' || fail "SHUTDOWNCMD ran after the session ended"
expect_eq "$(count_event "  Network Clients Logged Out")" "1" "the secondaries' logout event"
expect_eq "$(count_event "  Network Clients Still Logged In!")" "0" "secondaries given up on"
expect_eq "$(events | tail -n 2 | head -n 1)" "  Network Clients Logged Out" "the event before the program's end"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"
grep -q "FSD" "$NUT_DIR/upsmon.log" || e2e_log "note: upsmon's log does not name FSD"

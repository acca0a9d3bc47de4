#!/usr/bin/env bash
# The program as a secondary of NUT's upsd, beside a real upsmon primary.
# A wrong password is recorded once, and the program asks again no faster
# than its doubling pause allows. With the right one, the primary's forced
# shutdown (upsmon -c fsd) makes the program record it, log out and shut the
# system down at once, so that the primary, waiting for its secondaries,
# powers off before its HOSTSYNC runs out.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/nut_lib.sh"
e2e_init network_fsd 150
# upsd 2.8.0 takes any PASSWORD and answers the LOGIN with ERR ACCESS-DENIED
# when it was wrong (INVALID-PASSWORD is only documented).
WRONG_PASSWORD_EVENT="  Network UPS: Access Denied!"
HOSTSYNC=20
nut_server_start
e2e_install en
follow_network_ups Password=bad
e2e_start_app
wait_event 30 "$WRONG_PASSWORD_EVENT" || fail "the refused login was not recorded"
# A first pause of a second that doubles: tries at 0, 1, 3 and 7 s, whether
# each on a new connection or again on the same one.
connections=$(nut_connections)
refused=$(nut_refused_logins)
sleep 10
connections=$(($(nut_connections) - connections))
refused=$(($(nut_refused_logins) - refused))
e2e_log "$connections connections, $refused logins refused in 10 s with a wrong password"
[ "$connections" -le 5 ] || fail "$connections connections in 10 s with a wrong password"
[ "$refused" -le 5 ] || fail "$refused logins refused in 10 s"
expect_eq "$(count_event "$WRONG_PASSWORD_EVENT")" 1 "records of the refused login"
expect_eq "$(nut_numlogins)" 0 "logins with a wrong password"
S='#32770/UPS  Setting Configure'
inspect command Voltaris 40001 >/dev/null
wait_until 10 inspect wait "$S" visible 200 || fail "no settings dialog"
expect_eq "$(inspect text "$S" 1016)" "Network UPS: Access Denied!" "the settings dialog's note of the refusal"
inspect close "$S" >/dev/null
wait_until 10 inspect wait "$S" gone 200 || fail "the settings dialog stayed"
inspect command Voltaris 40003 >/dev/null
app_gone 15 || fail "the program did not end on Exit"
e2e_forget "$APP_PID"

e2e_log "the right password, a primary beside"
set_setting Password pass
nut_upsmon_primary_start "$HOSTSYNC"
e2e_start_app
wait_event 30 "  Network UPS is Connected!" || fail "never connected to $NUT_SERVER"
wait_until 10 nut_numlogins_is 2 || fail "logins with the primary: $(nut_numlogins)"

e2e_log "upsmon -c fsd"
nut_upsmon_fsd || fail "upsmon -c fsd failed: $(cat "$UPSMON_DIR/upsmon-c.log")"
wait_event 15 "  Forced Shutdown By The UPS Server" || fail "the forced shutdown was not recorded"
app_gone 15 || fail "the system was not shut down after the forced shutdown"
wait_until $((HOSTSYNC + 10)) test -e "$UPSMON_DIR/shutdown-ran" ||
  fail "the primary never ran its SHUTDOWNCMD: $(tail -n 5 "$UPSMON_DIR/upsmon.log")"
expect_eq "$(events | tail -n 1)" "  Program End" "last event before the shutdown"
grep -q "User monuser@127.0.0.1 logged out from UPS \[$NUT_UPS\]" "$NUT_DIR/upsd.log" ||
  fail "the program left without LOGOUT"
read -r _ logins_then <"$UPSMON_DIR/shutdown-ran"
expect_eq "$logins_then" 1 "NUMLOGINS (the primary's own login included) as the primary's SHUTDOWNCMD ran"
# upsmon's own clock: its wait for the secondaries ended well before HOSTSYNC did.
waited=$(awk '/waiting for secondaries to logout/ { w = $1 } /Executing automatic power-fail shutdown/ { print $1 - w; exit }' \
  "$UPSMON_DIR/upsmon.log")
e2e_log "the primary waited ${waited:-?} s for its secondaries"
[ -n "$waited" ] && awk -v w="$waited" -v h="$HOSTSYNC" 'BEGIN { exit !(w < h - 5) }' ||
  fail "the primary waited ${waited:-?} s of its HOSTSYNC $HOSTSYNC s"

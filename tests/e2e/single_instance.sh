#!/usr/bin/env bash
# A second copy started while the first runs leaves at once with code 0,
# showing nothing; the first keeps running.
source "$(dirname "$0")/lib.sh"
e2e_init single_instance 120
e2e_install en
e2e_start_app
wait_until 30 inspect wait Voltaris hidden 200 || fail "the main window never appeared"
first_windows=$(inspect windows Voltaris | wc -l)
expect_eq "$first_windows" 1 "main windows of the first copy"

start=$SECONDS
(cd "$APP_DIR" && timeout 20 wine "$APP_DIR/Voltaris.exe" >>"$RUN/second.log" 2>&1)
second_rc=$?
expect_eq "$second_rc" 0 "exit code of the second copy"
[ $((SECONDS - start)) -le 10 ] || fail "the second copy took $((SECONDS - start)) s to leave"

# A switch nobody knows is refused before anything starts, quietly here:
# the exit code says it (ERROR_INVALID_PARAMETER).
(cd "$APP_DIR" && timeout 20 wine "$APP_DIR/Voltaris.exe" /QUIET /instal-service >>"$RUN/second.log" 2>&1)
expect_eq "$?" 87 "exit code with an unknown switch"

kill -0 "$APP_PID" 2>/dev/null || fail "the first copy has gone"
expect_eq "$(inspect windows Voltaris | wc -l)" 1 "main windows after the second copy"
inspect windows Voltaris | grep -q hidden || fail "the main window is not hidden"

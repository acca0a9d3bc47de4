#!/usr/bin/env bash
# The UPS self-tests from the Control Center: the 10-second test sends "T"
# about a second after the command and its window closes by itself after ten
# seconds; the test until the battery is low sends "TL"; Cancel Selftest
# sends "CT" and closes the window; a timed test of 2 minutes, started from
# its dialog's OK, sends "T02".
source "$(dirname "$0")/lib.sh"
e2e_init selftests 150
e2e_sim
e2e_install en
set_setting SpecialTimeTest 2
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
sent() { grep -c " $1\$" "$SIM_LOG"; }
ms_now() { echo $(($(date +%s%N) / 1000000)); }

start=$(ms_now)
inspect command Voltaris 40014 >/dev/null
wait_until 10 countdowns_open 1 || fail "no 10-second test window"
wait_until 5 bash -c "grep -q ' T\$' '$SIM_LOG'" || fail "the UPS never received T"
e2e_log "T reached the UPS $(($(ms_now) - start)) ms after the command"
wait_event 5 "  UPS SelfTest 10 Seconds!" || fail "no self-test event"
expect_eq "$(inspect menustate Voltaris 40017)" ENABLED "Cancel Selftest while testing"
sleep 1
screenshot ten-second-test
wait_until 15 countdowns_open 0 || fail "the 10-second window did not close by itself"
elapsed=$((($(ms_now) - start) / 1000))
[ "$elapsed" -ge 9 ] || fail "closed after $elapsed s"
expect_eq "$(inspect menustate Voltaris 40017)" GRAYED "Cancel Selftest after the test"
expect_eq "$(sent T)" 1 "T commands"

inspect command Voltaris 40015 >/dev/null
wait_until 10 countdowns_open 1 || fail "no until-battery-low window"
wait_until 5 bash -c "grep -q ' TL\$' '$SIM_LOG'" || fail "the UPS never received TL"
wait_event 5 "  Test Still Battery Low!" || fail "no until-low event"
inspect command Voltaris 40017 >/dev/null
wait_until 5 countdowns_open 0 || fail "Cancel Selftest left the window"
wait_until 5 bash -c "grep -q ' CT\$' '$SIM_LOG'" || fail "the UPS never received CT"
expect_eq "$(sent TL)" 1 "TL commands"
expect_eq "$(sent CT)" 1 "CT commands"

e2e_log "a timed test from its dialog"
inspect command Voltaris 40016 >/dev/null
wait_until 10 inspect wait '#32770/Special Time Selftest' visible 200 || fail "no Special Time Selftest dialog"
expect_eq "$(inspect owner '#32770/Special Time Selftest')" Voltaris "the dialog's owner"
expect_eq "$(inspect text '#32770/Special Time Selftest' 1097)" 2 "minutes shown"
screenshot timed-settings
inspect click '#32770/Special Time Selftest' $SKIN_TIMED_TEST_OK >/dev/null  # its OK picture
wait_until 10 inspect wait '#32770/Special Time Selftest' gone 200 || fail "OK left the dialog"
wait_until 10 countdowns_open 1 || fail "no timed test window"
wait_until 5 bash -c "grep -q ' T02\$' '$SIM_LOG'" || fail "the UPS never received T02"
wait_event 5 "  UPS SelfTest 2 Minute" || fail "no timed test event"
sleep 1
screenshot timed-test
inspect command Voltaris 40017 >/dev/null
wait_until 5 countdowns_open 0 || fail "Cancel Selftest left the timed test window"
wait_until 5 bash -c "[ \$(grep -c ' CT\$' '$SIM_LOG') -eq 2 ]" || fail "no second CT"

#!/usr/bin/env bash
# The two settings dialogs driven as a user would. "UPS  Setting Configure":
# USB shows the serial lists disabled and a COM port enables them; a rate
# the lists do not have shows no rate; a value changed on a page that was
# left is not saved; a number out of its field's range is refused, naming
# the field and the range; Default then Cancel leaves the file as it was; OK with
# COM2 at 4800 bit/s is written and the link moves there (the UPS on COM2
# answers). "Alarm Message": seven empty fields where nothing is stored,
# Default fills them exactly, a 120-character text is stored as its first 99.
# A settings file that cannot be written makes OK say so and stay open.
# The network UPS shows its server's fields in the place of the serial lists,
# which it greys; OK refuses a blank host or a port out of range, then writes
# the server's keys and ComboPort=9.
source "$(dirname "$0")/lib.sh"
e2e_init settings_dialogs 180
e2e_map_com 1 "$RUN/no-line"  # no UPS on COM1
E2E_COM=2 e2e_sim --rate 4800
e2e_install en
INI=$APP_DIR/UpsConfigure.ini
key() { grep "^$1=" "$INI" | tr -d '\r' | cut -d= -f2; }
enabled() { inspect children "$1" | awk -v id="$2" '$1 == id { print $4 }'; }
shown() { inspect children "$1" | awk -v id="$2" '$1 == id { print $3 }'; }
# ini_key SECTION KEY: a key of that section only (Port is in two sections).
ini_key() {
  tr -d '\r' <"$INI" | awk -v s="[$1]" -v k="$2" '/^\[/ { within = $0 == s; next } within && index($0, k "=") == 1 { print substr($0, length(k) + 2) }'
}
NETWORK_FIELDS="1010 1011 1012 1013 1014 1015"
close_boxes() { for b in $(inspect windows '#32770' | awk '/"Voltaris"/ {print $1}'); do inspect close "$b" >/dev/null; done; }
S='#32770/UPS  Setting Configure'
open_settings() {
  inspect command Voltaris 40001 >/dev/null
  wait_until 10 inspect wait "$S" visible 200 || fail "no setting dialog"
}
page() {  # the page bar's icons
  case $1 in link) inspect click pic5 $SKIN_PAGE_LINK ;; recording) inspect click pic5 $SKIN_PAGE_RECORDING ;;
    warning) inspect click pic5 $SKIN_PAGE_WARNING ;; battery) inspect click pic5 $SKIN_PAGE_BATTERY ;; esac >/dev/null
  sleep 0.3
}
press() {  # OK, Cancel, Default
  case $1 in ok) inspect click "$S" $SKIN_SETTINGS_OK ;; cancel) inspect click "$S" $SKIN_SETTINGS_CANCEL ;;
    default) inspect click "$S" $SKIN_SETTINGS_DEFAULT ;; esac >/dev/null
}
e2e_start_app
wait_event 30 "  UPS is DisConnected!" || fail "no disconnection recorded"
sleep 1
close_boxes

e2e_log "USB, then COM3"
sed -i 's/^ComboPort=.*/ComboPort=8\r/' "$INI"
open_settings
inspect command Voltaris 40001 >/dev/null
sleep 0.3
expect_eq "$(inspect windows '#32770' | grep -c '"UPS  Setting Configure"')" 1 "setting dialogs after two uses"
expect_eq "$(inspect combo "$S" 1002)" "8 USB" "port shown"
for id in 1003 1004 1005 1006; do expect_eq "$(enabled "$S" $id)" disabled "list $id with USB"; done
for id in $NETWORK_FIELDS; do expect_eq "$(shown "$S" $id)/$(enabled "$S" $id)" hidden/disabled "network field $id with USB"; done
inspect combo "$S" 1002 2 >/dev/null
for id in 1003 1004 1005 1006; do expect_eq "$(enabled "$S" $id)" enabled "list $id with COM3"; done
for id in $NETWORK_FIELDS; do expect_eq "$(shown "$S" $id)/$(enabled "$S" $id)" hidden/disabled "network field $id with COM3"; done
screenshot settings-link
e2e_log "Default, then Cancel"
before=$(md5sum <"$INI")
page battery
press default
sleep 0.3
expect_eq "$(inspect text "$S" 1032)/$(inspect text "$S" 1031)/$(inspect combo "$S" 1030)" "5/1/0 60" "battery defaults"
screenshot settings-battery
press cancel
wait_until 10 inspect wait "$S" gone 200 || fail "Cancel left the dialog"
expect_eq "$(md5sum <"$INI")" "$before" "file after Default and Cancel"

e2e_log "a rate the lists do not have"
sed -i 's/^ComboPort=.*/ComboPort=0\r/; s/^ComboRate=.*/ComboRate=19200\r/' "$INI"
open_settings
expect_eq "$(inspect combo "$S" 1003)" "-1 " "rate shown for 19200"

e2e_log "only the page on display is saved"
interval=$(key HistoryTimerDelay)
page recording
inspect settext "$S" 1025 42 >/dev/null
page warning
inspect settext "$S" 1026 -5 >/dev/null
press ok
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "OK took -5 seconds without a word"
inspect children '#32770/Voltaris' | grep -qF '"First Warning Time After AC Fail: please enter a whole number from 1 to 50."' ||
  fail "the refusal does not name the field and its range: $(inspect children '#32770/Voltaris')"
close_boxes
inspect wait "$S" visible 200 >/dev/null || fail "the setting dialog closed on -5"
expect_eq "$(key CutACTimeMessage)" 5 "first warning after -5 was refused"
inspect settext "$S" 1026 7 >/dev/null
press ok
wait_until 10 inspect wait "$S" gone 200 || fail "OK left the dialog"
expect_eq "$(key HistoryTimerDelay)" "$interval" "interval left on another page"
expect_eq "$(key CutACTimeMessage)" 7 "first warning from the page on display"
expect_eq "$(key ComboRate)" 19200 "rate with none chosen"

e2e_log "COM2 at 4800 bit/s"
open_settings
inspect combo "$S" 1002 1 >/dev/null
inspect combo "$S" 1003 1 >/dev/null
press ok
wait_until 10 inspect wait "$S" gone 200 || fail "OK left the dialog"
expect_eq "$(key ComboPort)/$(key ComboRate)" "1/4800" "link written"
wait_event 15 "  COM UPS is Connected!" || fail "the UPS on COM2 was never reached: $(events | tail -3)"
grep -q ' Q1$' "$SIM_LOG" || fail "no status query on COM2"

e2e_log "alarm messages"
A='#32770/Alarm Message'
sed -i '/^\(NormalMessage\|AcInterruptlMessage\|AcNormalMessage\|BatteryLowMessage\|BatteryNormalMessage\|ShutDownMessage\|ShutDownCancelMessage\)=/d' "$INI"
inspect command Voltaris 40002 >/dev/null
wait_until 10 inspect wait "$A" visible 200 || fail "no alarm message dialog"
for id in 1032 1033 1034 1035 1036 1037 1038; do expect_eq "$(inspect text "$A" $id)" "" "field $id when nothing is stored"; done
P="$A>#32770"  # the message page inside the frame
inspect click "$P" $SKIN_ALARM_DEFAULT >/dev/null  # Default
sleep 0.3
defaults=""
for id in 1032 1033 1034 1035 1036 1037 1038; do defaults+="$(inspect text "$A" $id)|"; done
expect_eq "$defaults" "UPS is  Normal !|Attention!! AC  Failed|AC Fail Recovered|Attention!! UPS Battery Low|UPS Battery Low Recovered|System Shutdown|Shutdown Canceled|" "default texts"
long=$(printf 'x%.0s' $(seq 120))
inspect settext "$A" 1034 "$long" >/dev/null
screenshot alarm-messages
inspect click "$P" $SKIN_ALARM_OK >/dev/null  # OK
wait_until 10 inspect wait "$A" gone 200 || fail "OK left the alarm dialog"
expect_eq "$(key AcNormalMessage)" "$(printf 'x%.0s' $(seq 99))" "a 120-character text, stored"
expect_eq "$(key AcInterruptlMessage)" "Attention!! AC  Failed" "AC fail text"

e2e_log "a settings file that cannot be written"
chmod a-w "$INI"
before=$(md5sum <"$INI")
inspect command Voltaris 40002 >/dev/null
wait_until 10 inspect wait "$A" visible 200 || fail "no alarm message dialog"
inspect settext "$A" 1032 "changed" >/dev/null
inspect click "$P" $SKIN_ALARM_OK >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "OK on a read-only file said nothing"
screenshot read-only
close_boxes
inspect wait "$A" visible 200 >/dev/null || fail "the alarm dialog closed as if saved"
expect_eq "$(inspect text "$A" 1032)" "changed" "the user's text kept"
inspect click "$P" $SKIN_ALARM_CANCEL >/dev/null  # Cancel
open_settings
page warning
inspect settext "$S" 1026 9 >/dev/null
press ok
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "OK of the setting dialog on a read-only file said nothing"
close_boxes
inspect wait "$S" visible 200 >/dev/null || fail "the setting dialog closed as if saved"
expect_eq "$(md5sum <"$INI")" "$before" "read-only file"
chmod u+w "$INI"

e2e_log "a network UPS"
press cancel  # the dialog left open on its warning page
wait_until 10 inspect wait "$S" gone 200 || fail "Cancel left the dialog"
open_settings
inspect combo "$S" 1002 9 >/dev/null
expect_eq "$(inspect combo "$S" 1002)" "9 Network UPS" "port list's last choice"
# The network fields take the serial lists' place: those are greyed and hidden.
for id in 1003 1004 1005 1006; do
  expect_eq "$(shown "$S" $id)/$(enabled "$S" $id)" hidden/disabled "list $id with the network UPS"
done
for id in $NETWORK_FIELDS; do expect_eq "$(shown "$S" $id)/$(enabled "$S" $id)" visible/enabled "network field $id"; done
labels=""
for id in 1131 1132 1133 1134 1135 1136; do labels+="$(inspect text "$S" $id)|"; done
expect_eq "$labels" "Host:|Port:|UPS name:|User:|Password:|Dead time (s):|" "network labels"
expect_eq "$(inspect text "$S" 1011)/$(inspect text "$S" 1012)/$(inspect text "$S" 1015)" "3493/ups/15" "network defaults"
expect_eq "$(shown "$S" 1016)" hidden "the note while the program has none"
before=$(md5sum <"$INI")
refused() {  # OK with the fields as they are: the box saying $1, the dialog left open, the file as it was
  press ok
  wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "OK took $2 without a word"
  inspect children '#32770/Voltaris' | grep -qF "\"$1\"" || fail "not the refusal of $2: $(inspect children '#32770/Voltaris')"
  close_boxes
  inspect wait "$S" visible 200 >/dev/null || fail "the setting dialog closed on $2"
  expect_eq "$(md5sum <"$INI")" "$before" "file after $2"
}
inspect settext "$S" 1010 "   " >/dev/null
refused "Host: please enter the name or the IPv4 or IPv6 address of the computer serving the UPS." "a blank host"
inspect settext "$S" 1010 " 127.0.0.1 " >/dev/null
inspect settext "$S" 1011 65536 >/dev/null
refused "Port: please enter a whole number from 1 to 65535." "port 65536"
inspect settext "$S" 1011 3494 >/dev/null
inspect settext "$S" 1012 rack-1 >/dev/null
inspect settext "$S" 1013 monuser >/dev/null
inspect settext "$S" 1014 secret >/dev/null
inspect settext "$S" 1015 30 >/dev/null
screenshot settings-network
press ok
wait_until 10 inspect wait "$S" gone 200 || fail "OK left the dialog"
expect_eq "$(key ComboPort)" 9 "port of the network UPS"
server=""
for k in Host Port UpsName User Password DeadTime; do server+="$k=$(ini_key NetworkUps $k) "; done
expect_eq "$server" "Host=127.0.0.1 Port=3494 UpsName=rack-1 User=monuser Password=secret DeadTime=30 " "the server's keys"
open_settings
expect_eq "$(inspect combo "$S" 1002)/$(inspect text "$S" 1010)/$(inspect text "$S" 1011)" "9 Network UPS/127.0.0.1/3494" \
  "the network UPS as saved, when the dialog opens again"
press cancel

#!/usr/bin/env bash
# A long print does not hold up the protection. While 200 000 history rows
# (eleven days at 5 s) print to the test's PDF printer, the mains fail:
# "  AC Fail!" is recorded within CutACTimeMessage + 2 s, with the print
# still going, and the count-down window opens. Cancel ends the print, and
# so does closing the window: neither sends the printer anything.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cups.sh"
e2e_init history_print_mains 150
e2e_cups
e2e_sim
e2e_install en
set_setting HistoryZiLiao 0  # the table holds only the rows written here
CUT_AC=3
set_setting CutACTimeMessage $CUT_AC
ROWS=200000
W='#32770/History Data'
LIST=1086
STATUS=1087  # the print's progress, shown while it runs
CANCEL=1088

awk -v n="$ROWS" 'BEGIN {
  printf "Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status\r\n"
  for (i = 1; i <= n; i++)
    printf "2026-12-%d,%d:%d:%d,%d V,220 V,35%%   ,80%%,25 C,50 Hz,Row %d\r\n",
           1 + i % 28, i % 24, i % 60, (i / 60) % 60, 200 + i % 40, i
}' >"$APP_DIR/HistorRecord.csv"
now_ms() { echo $(($(date +%s%N) / 1000000)); }
seconds_since() { awk -v ms=$(($(now_ms) - $1)) 'BEGIN { printf "%.1f", ms / 1000 }'; }
# The progress text; nothing once the print has ended. A program whose
# window does not answer leaves it empty too, after 5 s.
progress() { timeout 5 wine "$VOLTARIS_INSPECT" text "$W" $STATUS 2>/dev/null | tr -d '\r'; }
printing() { [[ "$(progress)" == Printing* ]]; }
not_printing() { ! printing; }
server_jobs() { lpstat -W all -o VoltarisPDF 2>/dev/null; }
print_and_confirm() {
  inspect click "$W" $SKIN_HISTORY_PRINT >/dev/null
  wait_until 20 inspect wait '#32770/Print' visible 200 || fail "no print dialog"
  xdotool key Return
  wait_until 10 inspect wait '#32770/Print' gone 200 || fail "the print dialog stayed"
}

e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
inspect command Voltaris 40007 >/dev/null
inspect listcount "$W" $LIST $ROWS 30000 >/dev/null || fail "the window never listed $ROWS rows"

e2e_log "printing $ROWS rows; the mains fail meanwhile"
print_and_confirm
started=$(now_ms)
wait_until 10 printing || fail "no print under way"
e2e_log "$(progress)"
sim_control "mains fail" >/dev/null
failed=$(now_ms)
wait_event $((CUT_AC + 3)) "  AC Fail!" || fail "no \"  AC Fail!\" $((CUT_AC + 3)) s after the mains failed"
took=$(($(now_ms) - failed))
e2e_log "\"  AC Fail!\" $took ms after the mains failed"
[ "$took" -le $(((CUT_AC + 2) * 1000)) ] || fail "\"  AC Fail!\" came $took ms after the mains failed"
printing || fail "the print was over before \"  AC Fail!\": it proves nothing"
e2e_log "$(progress)"
wait_until 10 countdowns_open 1 || fail "no count-down window"
screenshot printing-mains-failed
sim_control "mains ok" >/dev/null
wait_event 10 "  AC Restore!" || fail "no \"  AC Restore!\" while printing"
# Under Wine a page takes a quarter to half a second: the whole job would
# take half an hour or more, so only its pace is shown, and it is cancelled.
page=$(progress | awk '{ print $3 }')
[ "${page:-0}" -gt 1 ] || fail "no page printed: $(progress)"
e2e_log "$page pages of $(progress | awk '{ print $5 }') in $(seconds_since "$started") s"

e2e_log "Cancel ends the print; nothing reaches the printer"
inspect command "$W" $CANCEL >/dev/null
wait_until 10 not_printing || fail "Cancel did not end the print"
expect_eq "$(server_jobs)" "" "jobs on the server after a cancelled print"

e2e_log "closing the window mid-print ends the print"
print_and_confirm
wait_until 10 printing || fail "no second print under way"
inspect close "$W" >/dev/null
wait_until 10 inspect wait "$W" gone 200 || fail "the window stayed"
expect_eq "$(server_jobs)" "" "jobs on the server after a window closed mid-print"
inspect command Voltaris 40007 >/dev/null
inspect listcount "$W" $LIST $ROWS 30000 >/dev/null || fail "the window did not open again"
e2e_cups_done

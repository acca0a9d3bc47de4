#!/usr/bin/env bash
# The log and event data viewers show what the record store holds, in order;
# Delete empties table and list, or, when another program holds the table,
# says so and leaves both as they were; the event data filter from
# 2007-03-03 to 2007-03-05 over ten days shows three lines, and a start
# after the end keeps the list and shows its message.
source "$(dirname "$0")/lib.sh"
e2e_init records_viewers 150
e2e_sim
e2e_install en
printf 'event\r\n2007-3-1  9:00:00  Program Start\r\n2007-3-1  9:10:00  Program End\r\n' >"$APP_DIR/EventRecord.csv"
{
  printf 'Date,Battery Low,AC Fail,Schedule Down\r\n'
  for d in 01 02 03 04 05 06 07 08 09 10; do printf '2007-03-%s,0,%d,0\r\n' "$d" "$((10#$d))"; done
} >"$APP_DIR/MonthRecord.csv"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
L='#32770/Log File'
E='#32770/Event Data'
close_boxes() { for b in $(inspect windows '#32770' | awk '/"Voltaris"/ {print $1}'); do inspect close "$b" >/dev/null; done; }
rows() { inspect listview "$1" "$2" | wc -l; }

inspect command Voltaris 40006 >/dev/null
wait_until 10 inspect wait "$L" visible 200 || fail "no log window"
inspect listview "$L" 1084 >"$RUN/log-lines.txt"
expect_eq "$(sed -n 1p "$RUN/log-lines.txt")" "2007-3-1  9:00:00  Program Start" "first log line"
expect_eq "$(sed -n 3p "$RUN/log-lines.txt" | sed 's/.*  Program/  Program/')" "  Program Start" "this run's start, after the earlier lines"
screenshot log-window

e2e_log "Delete while another program holds the log"
lines=$(rows "$L" 1084)
wine "$VOLTARIS_INSPECT" hold "$(winepath -w "$APP_DIR/EventRecord.csv" 2>/dev/null)" 8 >"$RUN/hold.out" 2>&1 &
HOLD=$!
wait_until 5 grep -q holding "$RUN/hold.out" || fail "could not hold the log"
inspect click "$L" $SKIN_LOG_DELETE >/dev/null  # Delete
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "a Delete that could not be done said nothing"
inspect children '#32770/Voltaris' | grep -q 'could not be deleted' || fail "wrong message: $(inspect children '#32770/Voltaris')"
close_boxes
expect_eq "$(rows "$L" 1084)" "$lines" "log lines kept"
wait "$HOLD"
inspect click "$L" $SKIN_LOG_DELETE >/dev/null
wait_until 10 bash -c "[ \$(wine '$VOLTARIS_INSPECT' listview '$L' 1084 2>/dev/null | wc -l) -eq 0 ]" || fail "Delete left lines"
expect_eq "$(tr -d '\r' <"$APP_DIR/EventRecord.csv")" "event" "event table after Delete"
inspect click "$L" $SKIN_LOG_CLOSE >/dev/null  # Close
wait_until 10 inspect wait "$L" gone 200 || fail "Close left the log window"

e2e_log "event data"
inspect command Voltaris 40009 >/dev/null
wait_until 10 inspect wait "$E" visible 200 || fail "no event data window"
expect_eq "$(rows "$E" 1087)" 10 "days listed"
expect_eq "$(inspect listview "$E" 1087 | head -n1 | tr '\t' ,)" "2007-03-01,1,0,0" "first day (Date, AC Fail, Schedule Down, Battery Low)"
inspect pickday "$E" 1089 2007-03-03 >/dev/null
inspect pickday "$E" 1090 2007-03-05 >/dev/null
wait_until 5 bash -c "[ \$(wine '$VOLTARIS_INSPECT' listview '$E' 1087 2>/dev/null | wc -l) -eq 3 ]" ||
  fail "filter: $(inspect listview "$E" 1087 | cut -f1 | tr '\n' ' ')"
expect_eq "$(inspect listview "$E" 1087 | cut -f1 | tr '\n' ' ')" "2007-03-03 2007-03-04 2007-03-05 " "days shown"
screenshot event-data
inspect pickday "$E" 1089 2007-03-06 >/dev/null
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no message for a start after the end"
inspect children '#32770/Voltaris' | grep -q '"End Date could not below Start Date,Please choice!"' ||
  fail "wrong message: $(inspect children '#32770/Voltaris')"
close_boxes
expect_eq "$(rows "$E" 1087)" 3 "lines kept after a start after the end"
inspect click "$E" $SKIN_EVENTS_DELETE >/dev/null  # Delete
wait_until 10 bash -c "[ \$(wine '$VOLTARIS_INSPECT' listview '$E' 1087 2>/dev/null | wc -l) -eq 0 ]" || fail "Delete left lines"
expect_eq "$(tr -d '\r' <"$APP_DIR/MonthRecord.csv")" "Date,Battery Low,AC Fail,Schedule Down" "daily table after Delete"

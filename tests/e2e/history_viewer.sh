#!/usr/bin/env bash
# "History Data" as a user works it. The window lists the history table's
# rows in table order, one window however often it is asked for. A cancelled
# print dialog prints nothing; Print, on a PDF printer of the test's own
# print server, prints every row: the pages the printer's line pitch gives
# (the first page's rows from line 5, no empty last page), the title, the
# header, the first and the last row. Refresh empties the list, waits half a
# second and shows rows added meanwhile. Delete while another program holds
# the table leaves table and list as they were and says why; Delete then
# empties both. The title bar's close and the Close button end the window.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cups.sh"
e2e_init history_viewer 120
e2e_cups
e2e_sim
e2e_install en
set_setting HistoryZiLiao 0  # the table holds only the rows written here
TABLE=$APP_DIR/HistorRecord.csv
W='#32770/History Data'
LIST=1086

# row N: a history row whose status names it.
row() { printf '2026-12-8,10:%d:%d,%d V,220 V,35%%   ,80%%,25 C,50 Hz,Row %d' $(($1 / 60)) $(($1 % 60)) $((200 + $1 % 40)) "$1"; }
{
  printf 'Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status\r\n'
  for i in $(seq 130); do printf '%s\r\n' "$(row "$i")"; done
} >"$TABLE"
table_as_list() { tail -n +2 "$TABLE" | tr -d '\r' | tr ',' '\t'; }
press() {  # the painted buttons
  case $1 in delete) inspect click "$W" $SKIN_HISTORY_DELETE ;; print) inspect click "$W" $SKIN_HISTORY_PRINT ;;
    refresh) inspect click "$W" $SKIN_HISTORY_REFRESH ;; close) inspect click "$W" $SKIN_HISTORY_CLOSE ;; esac >/dev/null
}
count_is() { [ "$(inspect listcount "$W" $LIST)" = "$1" ]; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"

e2e_log "the window lists the table"
inspect command Voltaris 40007 >/dev/null
wait_until 10 inspect wait "$W" visible 200 || fail "no History Data window"
inspect command Voltaris 40007 >/dev/null
sleep 0.3
expect_eq "$(inspect windows '#32770' | grep -c '"History Data"')" 1 "windows after two uses"
expect_eq "$(inspect columns "$W" $LIST | tr '\t\n' ':,')" \
  "Date:70,Time:55,Input Voltage:85,Output Voltage:95,Load:45,Battery Level:90,Temperature:80,Frequency:70,Status:200," \
  "columns"
expect_eq "$(inspect listcount "$W" $LIST)" 130 "rows listed"
[ "$(inspect listview "$W" $LIST)" == "$(table_as_list)" ] || fail "the list differs from the table"
expect_eq "$(inspect listrow "$W" $LIST 129)" "$(row 130 | tr ',' '\t')" "last row"
screenshot history-list

e2e_log "printing"
read -r height pitch <<<"$(inspect printer)"
[ "${pitch:-0}" -gt 0 ] || fail "no printer metrics: $height"
lines=$((height / pitch - 1))
[ "$lines" -ge 5 ] || fail "a page of $lines lines"
# Lines 5..lines on the first page, 1..lines on the next ones, no empty last page.
pages=$((1 + (130 - (lines - 4) + lines - 1) / lines))
e2e_log "printable height $height, pitch $pitch: $lines lines a page, $pages pages expected"
press print
wait_until 10 inspect wait '#32770/Print' visible 200 || fail "no print dialog"
xdotool key Escape  # cancelled: nothing is printed
wait_until 10 inspect wait '#32770/Print' gone 200 || fail "the print dialog stayed"
press print
wait_until 10 inspect wait '#32770/Print' visible 200 || fail "no print dialog the second time"
xdotool key Return
wait_until 30 bash -c "ls '$PDF_DIR'/job-*.pdf" || fail "nothing printed: $(cat "$RUN/cups/log/error_log" 2>/dev/null | tail -5)"
# The server numbers jobs from 1: a cancelled dialog that printed would show as job 1.
expect_eq "$(pdf_jobs | xargs -n1 basename | tr '\n' ' ')" "job-1.pdf " "print jobs"
pdf=$(pdf_jobs | tail -n 1)
expect_eq "$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')" "$pages" "printed pages"
pdftoppm -r 50 -png "$pdf" "$RUN/page"
expect_eq "$(ls "$RUN"/page-*.png | wc -l)" "$pages" "page pictures"
text=$(pdftotext -layout "$pdf" - | tr -s ' ')
squeezed() { tr -s ' ' <<<"$1"; }
grep -qF "Histroy Data Record" <<<"$text" || fail "no title in the PDF"
grep -qF "$(squeezed "date                time          input Voltage    Output Voltage    Load           Battery Level    Temperature    Frequency            Status")" <<<"$text" ||
  fail "no header in the PDF: $(head -n 3 <<<"$text")"
for n in 1 130; do
  grep -qxF "$(squeezed "$(row $n | tr ',' ' ')")" <<<"$(sed 's/^ //; s/ $//' <<<"$text")" || fail "row $n not printed"
done
expect_eq "$(grep -c 'Row [0-9]' <<<"$text")" 130 "rows printed"
expect_eq "$(pdftotext -f 2 -l 2 "$pdf" - | grep -c 'Histroy Data Record')" 0 "title on the second page"

e2e_log "refresh"
printf '%s\r\n' "$(row 131)" >>"$TABLE"
start=$(now_ms)
press refresh
wait_until 10 count_is 131 || fail "Refresh did not show the new row"
waited=$(($(now_ms) - start))
[ "$waited" -ge 450 ] || fail "the list came back after $waited ms"
expect_eq "$(inspect listrow "$W" $LIST 130 | cut -f9)" "Row 131" "the new row"

e2e_log "delete while another program holds the table"
before=$(md5sum <"$TABLE")
wine "$VOLTARIS_INSPECT" hold "$(winepath -w "$TABLE" 2>/dev/null)" 5 >"$RUN/hold.out" 2>&1 &
HOLD=$!
wait_until 5 grep -q holding "$RUN/hold.out" || fail "could not hold the table"
press delete
wait_until 10 inspect wait '#32770/Voltaris' visible 200 || fail "no message about the failed delete"
inspect children '#32770/Voltaris' | grep -q "history could not be deleted" || fail "the message: $(inspect children '#32770/Voltaris')"
screenshot delete-refused
inspect close '#32770/Voltaris' >/dev/null
expect_eq "$(md5sum <"$TABLE")" "$before" "table after a refused delete"
expect_eq "$(inspect listcount "$W" $LIST)" 131 "rows listed after a refused delete"
wait "$HOLD"

e2e_log "delete"
press delete
wait_until 5 count_is 0 || fail "Delete left rows in the list"
# A table begun afresh has the runtime column too; the nine-column one above was read as it was.
expect_eq "$(tr -d '\r' <"$TABLE")" "Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status,Runtime" "table after Delete"

e2e_log "closing"
inspect close "$W" >/dev/null
wait_until 5 inspect wait "$W" gone 200 || fail "the title bar's close left the window"
inspect command Voltaris 40007 >/dev/null
wait_until 10 inspect wait "$W" visible 200 || fail "the window did not open again"
expect_eq "$(inspect listcount "$W" $LIST)" 0 "rows of an empty table"
press close
wait_until 5 inspect wait "$W" gone 200 || fail "Close left the window"
e2e_cups_done

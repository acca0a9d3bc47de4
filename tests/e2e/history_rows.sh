#!/usr/bin/env bash
# HistorRecord.csv receives a measured row every HistoryTimerDelay seconds
# while the UPS answers, and not-connected rows once it is unplugged, each
# kind starting with its first-row text, and ending with the runtime estimate.
source "$(dirname "$0")/lib.sh"
e2e_init history_rows 120
e2e_sim
e2e_install en
set_setting HistoryTimerDelay 1
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
history() { tail -n +2 "$APP_DIR/HistorRecord.csv" 2>/dev/null | tr -d '\r'; }
wait_until 10 bash -c "[ \$(tail -n +2 '$APP_DIR/HistorRecord.csv' | wc -l) -ge 4 ]" || fail "no history rows"
first=$(history | head -n 1)
[[ "$first" =~ ^[0-9]+-[0-9]+-[0-9]+,[0-9]+:[0-9]+:[0-9]+,220\ V,220\ V,[0-9]+%\ \ \ ,[0-9]+%.*,25\ C,50\ Hz,UPS\ is\ Connected!,[0-9]+\ min$ ]] ||
  fail "first measured row: $first"
expect_eq "$(history | sed -n 2p | cut -d, -f9)" " " "second row's status"
sim_control unplug >/dev/null
wait_until 20 grep -q "N/A,N/A,0%,0%,N/A,N/A,UPS is DisConnected!" "$APP_DIR/HistorRecord.csv" ||
  fail "no not-connected row: $(history | tail -n 3)"
sleep 3
expect_eq "$(history | grep -c 'UPS is DisConnected!')" 1 "not-connected first rows"
expect_eq "$(history | tail -n 1)" "$(history | tail -n 1 | cut -d, -f1,2),N/A,N/A,0%,0%,N/A,N/A, ,N/A" "a later not-connected row"

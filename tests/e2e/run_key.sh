#!/usr/bin/env bash
# The records go to the folder of the installer's Run value "Voltaris"; the
# settings stay beside the program.
source "$(dirname "$0")/lib.sh"
e2e_init run_key 120
e2e_sim
e2e_install en
records=$RUN/records
mkdir -p "$records"
windows_path="Z:${records//\//\\\\}\\\\Voltaris.exe"
printf '\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] 1796710300\n"Voltaris"="%s"\n' \
  "$windows_path" >>"$WINEPREFIX/system.reg"
e2e_start_app
wait_until 30 test -s "$records/EventRecord.csv" || fail "no records in the Run value's folder"
[ -e "$APP_DIR/EventRecord.csv" ] && fail "records were written beside the program"
grep -q "Program Start" "$records/EventRecord.csv" || fail "no Program Start in $records"

# End-to-end harness: sourced by each test script.
#
# A test gets its own run folder, Wine prefix (copied from the template),
# Xvfb display, wineserver, simulated UPS on a COM port and working folder,
# and stops all of them by PID when it ends, fails or runs out of time.
#
# Environment (set by ctest): VOLTARIS_E2E_ROOT, VOLTARIS_DIST, VOLTARIS_INSPECT,
# VOLTARIS_UPSSIM, VOLTARIS_SKIN_POINTS.

set -uo pipefail

# The click points of the skin's buttons, SKIN_<ZONE>="x y", written at build
# time from the program's own layout table: click them unquoted. Outside
# ctest (the measurements), the native build's; a script that clicks without
# them stops on the unset name.
VOLTARIS_SKIN_POINTS=${VOLTARIS_SKIN_POINTS:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/native/skin/skin_layout.sh}
if [ -r "$VOLTARIS_SKIN_POINTS" ]; then source "$VOLTARIS_SKIN_POINTS"; fi

E2E_PIDS=()        # everything started here, stopped in reverse order
E2E_AT_CLEANUP=()  # commands run once those processes are gone
E2E_FAILED=0

e2e_log() { echo "[$(date +%H:%M:%S.%N | cut -c1-12)] $*"; }

# e2e_init NAME [SECONDS]: the run folder, the clean-up and a watchdog that
# ends the test (with clean-up) before ctest's own time-out would kill it.
e2e_init() {
  E2E_NAME=$1
  local limit=${2:-120}
  RUN=$VOLTARIS_E2E_ROOT/runs/$E2E_NAME
  rm -rf "$RUN"
  mkdir -p "$RUN"
  trap e2e_cleanup EXIT
  trap 'e2e_log "time limit reached"; E2E_FAILED=1; exit 1' TERM
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINEPREFIX=$RUN/pfx
  # Bash runs the TERM trap only once the command in progress returns, so the
  # watchdog first ends every Wine process of the prefix.
  (sleep "$limit" && kill -TERM $$ && wineserver -k) >/dev/null 2>&1 &
  E2E_WATCHDOG=$!
  e2e_prefix
  e2e_display
}

e2e_prefix() {
  local template=$VOLTARIS_E2E_ROOT/template
  [ -f "$template/.complete" ] || fail "no template prefix (run make-template.sh)"
  # Hard links for Wine's unchanging files; the registry hives are rewritten
  # at run time, so they get copies of their own.
  cp -al "$template" "$RUN/pfx"
  for hive in "$RUN"/pfx/*.reg; do
    rm -f "$hive"
    cp "$template/$(basename "$hive")" "$hive"
  done
  export WINEPREFIX=$RUN/pfx
}

e2e_display() {
  local fd_file=$RUN/display
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >"$RUN/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  for _ in $(seq 200); do [ -s "$fd_file" ] && break; sleep 0.02; done
  [ -s "$fd_file" ] || fail "Xvfb did not start"
  export DISPLAY=:$(cat "$fd_file")
}

# e2e_wine_up: starts the prefix's wineserver (kept running, so every later
# wine call is fast). It loads the registry hives when it starts and writes
# them back, so every COM mapping must be made before.
E2E_WINESERVER_PID=
e2e_wine_up() {
  [ -n "$E2E_WINESERVER_PID" ] && return
  wineserver -f -p >"$RUN/wineserver.log" 2>&1 &
  E2E_WINESERVER_PID=$!
  E2E_PIDS+=($E2E_WINESERVER_PID)
}

# e2e_map_com N TARGET: COMn of the prefix reaches TARGET (a tty path). Set in
# the registry hive before Wine's services start, so the mount manager makes
# the link itself instead of replacing ours. Call before the first wine process.
e2e_map_com() {
  [ -z "$E2E_WINESERVER_PID" ] || fail "COM$1 mapped after the wineserver started"
  printf '\n[Software\\\\Wine\\\\Ports] 1796710300\n"COM%s"="%s"\n' "$1" "$2" >>"$WINEPREFIX/system.reg"
  ln -sfn "$2" "$WINEPREFIX/dosdevices/com$1"
}

# e2e_sim [upssim options]: a simulated UPS on COM1 (E2E_COM=n for another
# port), logging to $RUN/upssim-comN.log, controlled through $RUN/upssim-comN.ctl.
# SIM_LOG, SIM_CONTROL and SIM_TTY describe the last one started. The port
# reaches the simulator through a link in the run folder, so that a simulator
# started again with e2e_sim_restart is found on the same port.
e2e_sim() {
  local com=${E2E_COM:-1}
  sim_start "$@"
  SIM_LINK=$RUN/com$com-line
  ln -sfn "$SIM_TTY" "$SIM_LINK"
  e2e_map_com "$com" "$SIM_LINK"
}

sim_start() {
  local com=${E2E_COM:-1} n=1
  local name=upssim-com$com
  while [ -e "$RUN/$name.out" ]; do n=$((n + 1)); name=upssim-com$com-$n; done
  SIM_LOG=$RUN/$name.log
  SIM_CONTROL=$RUN/$name.ctl
  local out=$RUN/$name.out
  "$VOLTARIS_UPSSIM" --log "$SIM_LOG" --control "$SIM_CONTROL" "$@" >"$out" 2>"$RUN/$name.err" &
  E2E_PIDS+=($!)
  SIM_PID=$!
  for _ in $(seq 200); do [ -s "$out" ] && break; sleep 0.02; done
  SIM_TTY=$(head -n1 "$out")
  [ -n "$SIM_TTY" ] || fail "simulator did not start: $(cat "$RUN/$name.err")"
}

# e2e_sim_kill: the simulator's process ends, and with it the line. The
# port's link then leads nowhere: the terminal's number may soon be another
# test's simulator, which the program must not reach.
e2e_sim_kill() {
  ln -sfn "$RUN/no-line" "$SIM_LINK"
  kill -9 "$SIM_PID" 2>/dev/null
  wait "$SIM_PID" 2>/dev/null  # reaped, so it is gone for kill -0 too
}

# e2e_sim_restart [upssim options]: a new simulator behind the same COM port.
e2e_sim_restart() {
  sim_start "$@"
  ln -sfn "$SIM_TTY" "$SIM_LINK"
}

# sim_control LINE: one control command; prints the simulator's answer.
sim_control() { "$VOLTARIS_UPSSIM" --send "$SIM_CONTROL" "$1"; }

# sim_known_readings: readings the tests know (the gauges show 230 V, 229 V,
# 35%, 80 %, 25 C and 50 Hz), not the simulator's defaults.
sim_known_readings() {
  local setting
  for setting in "input 230" "output 229" "load 35" "frequency 50" "temperature 25" "rated battery 24" \
    "battery 21.7"; do
    sim_control "$setting" >/dev/null
  done
}

# write_quillon_ini DIR PORT [FAMILY]: quillon.dll in DIR reaches the
# simulator on PORT, as plain lines or as a USB unit of FAMILY (report or
# string); without this file the DLL looks for a real HID unit.
write_quillon_ini() {
  { printf '[Transport]\r\nKind=tcp\r\nHost=127.0.0.1\r\nPort=%s\r\n' "$2"
    [ -z "${3:-}" ] || printf 'Framing=%s\r\n' "$3"; } >"$1/quillon.ini"
}

# e2e_install [LANG]: a fresh working folder holding a copy of the distribution.
e2e_install() {
  APP_DIR=$RUN/app
  rm -rf "$APP_DIR"
  cp -r "$VOLTARIS_DIST/${1:-en}" "$APP_DIR"
}

# e2e_start_app [ARGS]: starts the installed program; APP_PID is its process.
e2e_start_app() {
  e2e_wine_up
  (cd "$APP_DIR" && exec wine "$APP_DIR/Voltaris.exe" "$@" >>"$RUN/app.log" 2>&1) &
  APP_PID=$!
  E2E_PIDS+=($APP_PID)
}

# e2e_forget PID: a process the test stopped itself; the clean-up must not
# signal its number, which another process may hold by then.
e2e_forget() {
  local i
  for i in "${!E2E_PIDS[@]}"; do [ "${E2E_PIDS[i]}" = "$1" ] && unset 'E2E_PIDS[i]'; done
  E2E_PIDS=("${E2E_PIDS[@]}")
}

inspect() {
  e2e_wine_up
  wine "$VOLTARIS_INSPECT" "$@" 2>>"$RUN/inspect.err" | tr -d '\r'
}

# tick WINDOW ID on|off: sets a check box as a user's click would, or fails.
tick() { inspect check "$1" "$2" "$3" >/dev/null || fail "box $2 of $1 did not turn $3"; }

# wait_until SECONDS COMMAND...: polls the command every 50 ms.
wait_until() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

fail() {
  e2e_log "FAIL: $*"
  E2E_FAILED=1
  exit 1
}

expect_eq() {
  [ "$1" == "$2" ] || fail "${3:-value}: expected '$2', got '$1'"
}

e2e_cleanup() {
  local rc=$?
  [ $rc -ne 0 ] && E2E_FAILED=1
  trap - EXIT TERM
  kill "$E2E_WATCHDOG" 2>/dev/null
  if [ "$E2E_FAILED" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
    import -display "$DISPLAY" -window root "$RUN/failure.png" 2>/dev/null &&
      e2e_log "screenshot: $RUN/failure.png"
    for f in "$RUN"/*.log "$RUN"/*.err; do [ -s "$f" ] && { echo "--- $f"; tail -n 20 "$f"; }; done
  fi
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && timeout 10 wineserver -k 2>/dev/null
  local i
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${E2E_PIDS[i]}" 2>/dev/null
  done
  for pid in "${E2E_PIDS[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null
  done
  wait 2>/dev/null
  for ((i = 0; i < ${#E2E_AT_CLEANUP[@]}; i++)); do eval "${E2E_AT_CLEANUP[i]}"; done
  rm -rf "$RUN/pfx"  # 700 MB of mostly links; the logs stay
  if [ "$E2E_FAILED" -eq 0 ]; then e2e_log "PASS $E2E_NAME"; else e2e_log "FAILED $E2E_NAME"; fi
  exit $E2E_FAILED
}

# events: the event texts recorded so far, one per line, without date and time.
events() {
  local table=${RECORDS_DIR:-$APP_DIR}/EventRecord.csv
  [ -f "$table" ] || return 0
  tail -n +2 "$table" | tr -d '\r' | sed -E 's/^[0-9]+-[0-9]+-[0-9]+  [0-9]+:[0-9]{2}:[0-9]{2}//'
}

# count_event TEXT: how many times TEXT was recorded.
count_event() { events | grep -cxF -- "$1"; }

# has_event TEXT [N]: whether TEXT has been recorded at least N times (default 1).
has_event() { [ "$(count_event "$1")" -ge "${2:-1}" ]; }

# wait_event SECONDS TEXT [N]: until TEXT has been recorded N times.
wait_event() { wait_until "$1" has_event "$2" "${3:-1}"; }

# menu_state_is ITEM STATE [bypos]: the main menu item's state, as the inspector reads it.
menu_state_is() { [ "$(inspect menustate Voltaris "$1" ${3:-})" = "$2" ]; }

# still_monitoring SECONDS: the program accepts a new status reply within SECONDS.
still_monitoring() {
  local replies
  replies=$(inspect replies Voltaris)
  wait_until "$1" bash -c "[ \$(wine '$VOLTARIS_INSPECT' replies Voltaris 2>/dev/null | tr -d '\r') -gt $replies ]"
}

# app_gone SECONDS: until the program's process has ended.
app_gone() { wait_until "$1" bash -c "! kill -0 $APP_PID 2>/dev/null"; }

# countdown_windows: handles of the visible count-down windows (333 x 256 pop-ups).
countdown_windows() {
  local handle rest
  inspect windows '#32770' | while read -r handle rest; do
    [[ "$rest" == *visible* ]] || continue
    read -r left top right bottom <<<"$(inspect rect "$handle")"
    [ $((right - left)) -eq 333 ] && [ $((bottom - top)) -eq 256 ] && echo "$handle"
  done
}

# countdowns_open N: exactly N count-down windows are showing.
countdowns_open() { [ "$(countdown_windows | wc -l)" -eq "$1" ]; }

# set_setting KEY VALUE [SECTION]: changes a key of the installed
# UpsConfigure.ini, or adds it to SECTION (default AlarmMessage) when absent.
set_setting() {
  local ini=$APP_DIR/UpsConfigure.ini
  if grep -q "^$1=" "$ini"; then
    sed -i "s/^$1=.*/$1=$2/" "$ini"
  else
    sed -i "s/^\[${3:-AlarmMessage}\]\r\?\$/&\n$1=$2\r/" "$ini"
  fi
}

# daily_row: today's row of MonthRecord.csv (Date,Battery Low,AC Fail,Schedule Down).
daily_row() { tail -n 1 "${RECORDS_DIR:-$APP_DIR}/MonthRecord.csv" 2>/dev/null | tr -d '\r'; }

# service_records: from here on the rows read are the service's, in its own
# folder (the settings of the program's folder went there at its installation).
service_records() { RECORDS_DIR=$WINEPREFIX/drive_c/ProgramData/Voltaris; }

# screenshot NAME: the whole screen, kept in the run folder for a person to look at.
screenshot() { import -display "$DISPLAY" -window root "$RUN/$1.png" 2>/dev/null; }

# free_port: a loopback TCP port nothing listens on now.
free_port() {
  local port
  while true; do
    port=$((20000 + RANDOM % 30000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

# e2e_upsmon DIR: NUT's upsmon in the foreground (-D -p), its upsmon.conf and
# state in DIR, its log DIR/upsmon.log; UPSMON_PID is its process.
# upsmon keeps its PID file in /run/nut whatever it is told, and will not
# start while that file names a live upsmon: another test's, even one of
# another checkout. A mount namespace of its own gives it a private /run/nut
# (DIR/run); where none can be made (no CAP_SYS_ADMIN) it shares the
# system's, and its file goes at the end.
E2E_UPSMON=$(dpkg -L nut-client 2>/dev/null | grep '/lib/nut/upsmon$' | head -n1)
e2e_upsmon() {
  local dir=$1
  [ -x "$E2E_UPSMON" ] || fail "upsmon is missing (package nut-client)"
  mkdir -p "$dir/run"
  local start=(env NUT_CONFPATH="$dir" NUT_STATEPATH="$dir")
  if unshare --mount --propagation private true 2>/dev/null; then
    start+=(unshare --mount --propagation private sh -c 'mount --bind "$1" /run/nut && shift && exec "$@"' sh "$dir/run")
  else
    local shared=/run/nut/upsmon.pid
    if [ -f "$shared" ] && ! kill -0 "$(cat "$shared")" 2>/dev/null; then rm -f "$shared"; fi
    E2E_AT_CLEANUP+=("rm -f $shared")
  fi
  # env and unshare exec what follows: the PID is upsmon's own.
  "${start[@]}" "$E2E_UPSMON" -D -p >"$dir/upsmon.log" 2>&1 &
  UPSMON_PID=$!
  E2E_PIDS+=("$UPSMON_PID")
}

# set_network PORT [KEY=VALUE...]: the installed program serves the UPS on
# 127.0.0.1:PORT with the user "monuser" (password "secret") and the keys given.
set_network() {
  local ini=$APP_DIR/UpsConfigure.ini port=$1
  shift
  printf '[Network]\r\nEnabled=1\r\nListenAddress=127.0.0.1\r\nPort=%s\r\nUser1=monuser\r\nPassword1=secret\r\n' \
    "$port" >>"$ini"
  local pair
  for pair in "$@"; do printf '%s\r\n' "$pair" >>"$ini"; done
}

#!/usr/bin/env bash
# Measures the network server under Wine: how long `upsc` takes to read
# ups.status (the whole client run, process start included), and the
# program's CPU use while CLIENTS connections each ask for the status every
# second, with every status reply of the UPS still accepted meanwhile.
# Usage: bench/measure-network-server.sh [SECONDS] [CLIENTS] (default 30, 10).
# Needs the native and cross builds and upsc (package nut-client).
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
clients=${2:-10}
export VOLTARIS_E2E_ROOT=$root/build/native/e2e VOLTARIS_DIST=$root/dist
export VOLTARIS_INSPECT=$root/build/cross/tools/inspector/inspect.exe
export VOLTARIS_UPSSIM=$root/build/native/tools/upssim/upssim
VOLTARIS_E2E_ROOT=$VOLTARIS_E2E_ROOT "$root/tests/e2e/make-template.sh" >/dev/null
source "$root/tests/e2e/lib.sh"
e2e_init measure_network $((seconds + 180))
command -v upsc >/dev/null || fail "upsc is missing (package nut-client)"
e2e_sim --rate 2400
e2e_install en
PORT=$(free_port)
set_network "$PORT"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "never connected"
wait_until 15 bash -c "upsc voltaris@127.0.0.1:$PORT ups.status 2>/dev/null | grep -q OL" || fail "no server"

# upsc: 50 runs, each a connection, STARTTLS, GET VAR and LOGOUT.
times=()
for _ in $(seq 50); do
  t0=$(date +%s%N)
  upsc "voltaris@127.0.0.1:$PORT" ups.status >/dev/null 2>&1 || fail "upsc failed"
  times+=($((($(date +%s%N) - t0) / 1000)))
done
printf '%s\n' "${times[@]}" | sort -n |
  awk '{ v[NR] = $1 } END { printf "upsc ups.status: median %.1f ms, worst %.1f ms (%d runs)\n", v[int((NR + 1) / 2)] / 1000, v[NR] / 1000, NR }'

# Clients polling over their own connections, as upsmon does.
poller() {
  exec 3<>"/dev/tcp/127.0.0.1/$PORT" || exit 1
  local line answered=0
  while true; do
    printf 'GET VAR voltaris ups.status\n' >&3
    read -r -t 5 line <&3 || break
    answered=$((answered + 1))
    echo "$answered" >"$RUN/poller-$1"
    sleep 1
  done
}
for n in $(seq "$clients"); do
  poller "$n" &
  E2E_PIDS+=($!)
done
sleep 3
cpu_ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
queries() { grep -c ' Q1$' "$SIM_LOG"; }
answered() { cat "$RUN"/poller-* 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }
ticks0=$(cpu_ticks); replies0=$(inspect replies Voltaris); queries0=$(queries); answered0=$(answered); start=$(date +%s.%N)
sleep "$seconds"
ticks1=$(cpu_ticks); replies1=$(inspect replies Voltaris); queries1=$(queries); answered1=$(answered); end=$(date +%s.%N)
hz=$(getconf CLK_TCK)
awk -v t=$((ticks1 - ticks0)) -v hz="$hz" -v s="$start" -v e="$end" -v c="$clients" \
  'BEGIN { printf "CPU with %d polling clients: %.2f %% of one core over %.1f s\n", c, 100 * t / hz / (e - s), e - s }'
echo "requests answered: $((answered1 - answered0)); status queries sent: $((queries1 - queries0)), replies accepted: $((replies1 - replies0))"

#!/usr/bin/env bash
# The program's processor time against a floor program of the same traffic
# and visible work (bench/cpu_probe_win.cpp), in one run, alternated, on the
# same simulated UPS at 2400 bit/s, network off. The UPS's readings change
# every second, as a real one's do, so every readout and bar has something
# to show.
#
# Usage: bench/measure-cpu-ratio.sh [SECONDS] [ROUNDS] [SCENES]
#   SECONDS  measured per program and scene (default 45)
#   ROUNDS   how many times each is measured; the lowest counts (default 3)
#   SCENES   any of: hidden (window hidden), main (main window open),
#            plot (main window and data plot open); default "hidden"
# VOLTARIS_MEASURE_APP: another folder holding the program to measure (an
# earlier build, for a before-and-after figure); default dist/en.
#
# Prints, per scene, the lowest share of one core of each program and their
# ratio; with "hidden" and another scene, also the windows' own cost (open
# minus hidden) of each and that ratio. Single figures under Wine move a lot
# from run to run: Wine is warmed up first with a throwaway run, and nothing
# else should run meanwhile. Needs the native and cross builds.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-45}
rounds=${2:-3}
scenes=${3:-hidden}
settle=5
source "$root/bench/cpu_lib.sh"
scene_count=$(wc -w <<<"$scenes")
e2e_init measure_cpu_ratio $(((seconds + settle + 30) * 2 * rounds * scene_count + seconds + 120))
e2e_sim --rate 2400
e2e_install en
if [ -n "${VOLTARIS_MEASURE_APP:-}" ]; then
  rm -rf "$APP_DIR" && cp -r "$VOLTARIS_MEASURE_APP" "$APP_DIR" && rm -f "$APP_DIR"/*.csv
fi
cp "$probe_exe" "$RUN/cpu_probe.exe"

# Every reading the gauges show moves by a whole unit each second.
wobble() {
  local k=0
  while true; do
    k=$((k + 1))
    for line in "input $((220 + k % 20))" "output $((225 + k % 10))" "load $((20 + k % 30))" \
      "temperature $((30 + k % 10))" "frequency $((49 + k % 2))" "battery $((26 + k % 2))"; do
      sim_control "$line" >/dev/null 2>&1
    done
    sleep 1
  done
}
wobble &
E2E_PIDS+=($!)

connected=0
run_voltaris() {  # SCENE: prints the share
  e2e_start_app
  connected=$((connected + 1))
  wait_event 30 "  COM UPS is Connected!" "$connected" >/dev/null || fail "the program never connected"
  case $1 in
    main | plot) inspect command Voltaris 40023 >/dev/null ;;
  esac
  [ "$1" = plot ] && inspect command Voltaris 40008 >/dev/null
  sleep "$settle"
  cpu_share "$APP_PID" "$seconds"
  stop_pid "$APP_PID"
}

run_probe() {  # SCENE: prints the share
  local args=()
  case $1 in
    main) args=(main) ;;
    plot) args=(main plot) ;;
  esac
  e2e_wine_up
  (cd "$RUN" && exec wine "$RUN/cpu_probe.exe" COM1 "${args[@]}" >>"$RUN/probe.log" 2>&1) &
  local pid=$!
  E2E_PIDS+=($pid)
  sleep "$settle"
  kill -0 "$pid" 2>/dev/null || fail "the probe ended: $(cat "$RUN/probe.log")"
  cpu_share "$pid" "$seconds"
  stop_pid "$pid"
}

echo "warming Wine up (not counted)"
seconds_saved=$seconds
seconds=10
run_voltaris hidden >/dev/null
run_probe hidden >/dev/null
seconds=$seconds_saved

declare -A best
for round in $(seq "$rounds"); do
  for scene in $scenes; do
    v=$(run_voltaris "$scene")
    p=$(run_probe "$scene")
    echo "round $round, $scene: Voltaris $v %, floor $p % of one core over $seconds s"
    best[v_$scene]=$(lower "$v" "${best[v_$scene]:-}")
    best[p_$scene]=$(lower "$p" "${best[p_$scene]:-}")
  done
done

echo "lowest of $rounds rounds:"
for scene in $scenes; do
  awk -v s="$scene" -v v="${best[v_$scene]}" -v p="${best[p_$scene]}" \
    'BEGIN { printf "  %-6s Voltaris %.3f %%, floor %.3f %%, ratio %.2f\n", s, v, p, v / p }'
done
if [[ " $scenes " == *" hidden "* ]]; then
  for scene in $scenes; do
    [ "$scene" = hidden ] && continue
    awk -v s="$scene" -v v="${best[v_$scene]}" -v p="${best[p_$scene]}" \
      -v vh="${best[v_hidden]}" -v ph="${best[p_hidden]}" \
      'BEGIN { printf "  windows own cost, %s: Voltaris %.3f %%, floor %.3f %%, ratio %.2f\n", s, v - vh, p - ph, (v - vh) / (p - ph) }'
  done
fi

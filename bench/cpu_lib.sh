# Shared by the processor-time measurements, sourced with root set to the
# repository: the end-to-end harness on the builds' outputs, the floor program
# they are compared with, and the helpers that measure them.
export VOLTARIS_E2E_ROOT=$root/build/native/e2e VOLTARIS_DIST=$root/dist
export VOLTARIS_INSPECT=$root/build/cross/tools/inspector/inspect.exe
export VOLTARIS_UPSSIM=$root/build/native/tools/upssim/upssim
probe_exe=$root/build/cross/bench/cpu_probe.exe
[ -f "$probe_exe" ] || { echo "no $probe_exe: build the cross preset"; exit 1; }
"$root/tests/e2e/make-template.sh" >/dev/null
source "$root/tests/e2e/lib.sh"

# cpu_ns PID: the time the process's threads have run, in ns (the
# scheduler's own count, not the 10 ms ticks of /proc/PID/stat, too coarse
# for a program that runs 80 ms a minute).
cpu_ns() {
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f", sum }'
}

# cpu_share PID SECONDS: the process's share of one core, in percent, over SECONDS.
cpu_share() {
  local pid=$1 t0 t1 s0 s1
  t0=$(cpu_ns "$pid"); s0=$(date +%s.%N)
  sleep "$2"
  t1=$(cpu_ns "$pid"); s1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" -v c="$s0" -v d="$s1" 'BEGIN { printf "%.4f", 100 * (b - a) / 1e9 / (d - c) }'
}

# stop_pid PID: the process ends (asked, then forced after 5 s), and a second
# passes so that its end costs the next measurement nothing.
stop_pid() {
  kill "$1" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
  e2e_forget "$1"
  sleep 1
}

# lower A B: the lower of two shares; B may be empty (none yet).
lower() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

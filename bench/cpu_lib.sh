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

# cpu_share PID SECONDS: the process's share of one core, in percent, over SECONDS.
cpu_share() {
  local pid=$1 t0 t1 s0 s1
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat"); s0=$(date +%s.%N)
  sleep "$2"
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat"); s1=$(date +%s.%N)
  awk -v t=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" -v a="$s0" -v b="$s1" 'BEGIN { printf "%.3f", 100 * t / hz / (b - a) }'
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

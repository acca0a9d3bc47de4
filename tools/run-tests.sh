#!/usr/bin/env bash
# Every test of the project, from a fresh Debian 12 machine: installs what is
# missing, builds the three builds, runs the native unit tests, the fuzz
# targets, the Win32 tests under Wine and the end-to-end tests, and ends with
# "N passed, N failed". Exit code 0 only when everything passed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/tools/setup-debian.sh" || { echo "setup failed"; exit 1; }

mkdir -p build
build() {
  local log=build/build-$1.log
  cmake --preset "$1" >"$log" 2>&1 && cmake --build --preset "$1" >>"$log" 2>&1 ||
    { echo "build $1 failed:"; tail -n 40 "$log"; exit 1; }
}
echo "== building"
build cross   # first: the end-to-end tests of the native build use its outputs
build native
build fuzz

passed=0
failed=0
count() {  # adds up ctest's "N% tests passed, F tests failed out of T"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n1)
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  passed=$((passed + t - f))
  failed=$((failed + f))
}

# Win32 tests run in a prefix of their own, with a persistent wineserver so
# each test program starts in tens of milliseconds; stopped by PID at the end.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export VOLTARIS_WINEPREFIX=$root/build/wine/unit-prefix
export WINEPREFIX=$VOLTARIS_WINEPREFIX
mkdir -p "$root/build/wine"
[ -f "$WINEPREFIX/system.reg" ] || (unset DISPLAY; wineboot -i >/dev/null 2>&1; wineserver -w)
wineserver -f -p >/dev/null 2>&1 &
server=$!
trap 'WINEPREFIX=$VOLTARIS_WINEPREFIX wineserver -k 2>/dev/null; kill $server 2>/dev/null; wait $server 2>/dev/null' EXIT
(unset DISPLAY; wine cmd /c exit >/dev/null 2>&1)
unset WINEPREFIX

logs=$root/build/test-logs
mkdir -p "$logs"
echo "== Win32 tests under Wine"
ctest --preset cross -j2 2>&1 | tee "$logs/cross.txt"; count "$logs/cross.txt"
echo "== native unit and end-to-end tests"
ctest --preset native -j2 2>&1 | tee "$logs/native.txt"; count "$logs/native.txt"
echo "== fuzz targets"
ctest --preset fuzz -j2 2>&1 | tee "$logs/fuzz.txt"; count "$logs/fuzz.txt"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# The runtime estimate's error along simulated discharges, as a table:
# time on battery, true time left, estimated time left, error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset native -S "$root" >/dev/null
cmake --build "$root/build/native" --target runtime_estimate_table -j2 >/dev/null
"$root/build/native/bench/runtime_estimate_table"

#!/usr/bin/env bash
# Builds the native benchmarks and prints the figures the issues ask for.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset native >/dev/null && cmake --build --preset native --target bench_record_store >/dev/null
out=$(build/native/bench/bench_record_store --benchmark_format=csv 2>/dev/null)
echo "$out" | grep -E '^name|median|ReadAll' | cut -d, -f1,3,4,5
small=$(echo "$out" | grep 'IncrementDailyCount/100/.*median' | cut -d, -f3)
large=$(echo "$out" | grep 'IncrementDailyCount/100000/.*median' | cut -d, -f3)
echo "daily count, 100000 days over 100 days (target < 2): $(awk -v a="$large" -v b="$small" 'BEGIN{printf "%.2f", a/b}')"

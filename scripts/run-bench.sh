#!/usr/bin/env bash
# Runs the Google Benchmark programs and the side-by-side scripts of bench/.
# BENCH_FILTER=name limits the run to matching programs and scripts.
set -uo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
filter="${BENCH_FILTER:-}"
for b in "$build"/bin/*_bench; do
  [ -x "$b" ] || continue
  [[ -n "$filter" && "$b" != *"$filter"* ]] && continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=1
done
for s in "$root"/bench/*.sh; do
  [ -f "$s" ] || continue
  [[ -n "$filter" && "$s" != *"$filter"* ]] && continue
  echo "== $(basename "$s")"
  bash "$s" "$build/bin/fmhost"
done

#!/usr/bin/env bash
# Runs the fuzz targets for a few seconds each, from their seed corpus when one exists,
# and reports per target: seconds, executions, coverage at the start and at the end.
# Usage: run-fuzz.sh BIN SECONDS [TARGET...]   (default: every *_fuzz in BIN)
# A target whose code under test is not instrumented (too few coverage counters) fails,
# and so does one that crashes; its crashing input is kept in $FUZZ_ARTIFACTS.
# FUZZ_KEEP_CORPUS=DIR keeps each target's grown corpus in DIR/<name>.
set -euo pipefail
bin="$1"; seconds="${2:-10}"; shift 2 || true
root="$(cd "$(dirname "$0")/.." && pwd)"
artifacts="${FUZZ_ARTIFACTS:-$bin/../fuzz-artifacts}"
mkdir -p "$artifacts"
# A harness alone has a few hundred counters; with the library it links, tens of thousands.
min_counters=2000
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$bin"/*_fuzz; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
status=0
printf '%-20s %8s %10s %9s %9s %s\n' target seconds execs cov-start cov-end result
for name in "${targets[@]}"; do
  target="$bin/$name"
  corpus="$(mktemp -d)"
  log="$corpus.log"
  seeds="$root/fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/ 2>/dev/null || true
  result=clean
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$corpus" 2>"$log"; then
    result=CRASH; status=1
  fi
  counters=$(grep -oE '\(([0-9]+) inline 8-bit counters\)' "$log" | grep -oE '[0-9]+' |
             awk '{s+=$1} END {print s+0}')
  start=$(grep -m1 -E 'INITED cov: [0-9]+' "$log" | sed -E 's/.*cov: ([0-9]+).*/\1/' || true)
  end=$(grep -E '(DONE|pulse|NEW|REDUCE|INITED) +cov: [0-9]+' "$log" | tail -1 |
        sed -E 's/.*cov: ([0-9]+).*/\1/' || true)
  execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}' || true)
  secs=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | awk '{print $5}' || true)
  if [ "${counters:-0}" -lt "$min_counters" ]; then
    result="NOT-INSTRUMENTED($counters)"; status=1
  fi
  printf '%-20s %8s %10s %9s %9s %s\n' "$name" "${secs:-?}" "${execs:-?}" "${start:-?}" \
    "${end:-?}" "$result"
  if [ "$result" = CRASH ]; then tail -60 "$log"; fi
  if [ -n "${FUZZ_KEEP_CORPUS:-}" ]; then
    mkdir -p "$FUZZ_KEEP_CORPUS/${name%_fuzz}" && cp -r "$corpus"/. "$FUZZ_KEEP_CORPUS/${name%_fuzz}/"
  fi
  rm -rf "$corpus" "$log"
done
exit $status

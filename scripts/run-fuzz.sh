#!/usr/bin/env bash
# Runs every fuzz target for a few seconds each, from a seed corpus when one exists.
set -euo pipefail
bin="$1"; seconds="${2:-10}"
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for target in "$bin"/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$(mktemp -d)"
  seeds="$root/fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/ 2>/dev/null || true
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        "$corpus" 2>"$corpus.log"; then
    tail -50 "$corpus.log"; status=1
  else
    grep -E '^Done|#[0-9]+.*DONE' "$corpus.log" | tail -1 || true
  fi
  rm -rf "$corpus" "$corpus.log"
done
exit $status

#!/usr/bin/env bash
# FindFile side by side with find(1): every *.jpg of a generated tree of 100,000 files
# (1,000 folders, one file in five a .jpg), one match per VeUtl_FindFile call, all calls
# in one fmhost --script run.  Best of three runs each, warm cache.
# Usage: bench/find_file.sh [BUILD_DIR] [FILES]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-100000}"
fmhost="$build/bin/fmhost"
[ -x "$fmhost" ] || { echo "no fmhost at $fmhost (build first)"; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/tree"
python3 "$here/make_tree.py" "$work/tree" "$files"

# The walk skips dot folders, so the count to expect leaves them out.
expected=$(find "$work/tree" -name '.*' -prune -o -name '*.jpg' -print | wc -l)
{
  echo "VeUtl_FindFile EXTENSION=jpg"
  for ((i = 0; i < expected; i++)); do echo "VeUtl_FindFile"; done
} > "$work/script"

best() {  # best wall time in seconds of three runs of "$@"
  local best_ns=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s%N); "$@" > /dev/null; t1=$(date +%s%N)
    local ns=$((t1 - t0))
    if [ -z "$best_ns" ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  awk -v ns="$best_ns" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

find_s=$(best find "$work/tree" -name '*.jpg')
export VELMORA_DRIVES="C=$work/tree"
found=$("$fmhost" --script "$work/script" | grep -vc '^ERROR=' || true)
fm_s=$(best "$fmhost" --script "$work/script")

echo "tree: $files files, $expected *.jpg outside dot folders; FindFile reported $found"
printf '%-44s %8s s\n' "find -name '*.jpg'" "$find_s"
printf '%-44s %8s s\n' "fmhost: VeUtl_FindFile x $((expected + 1))" "$fm_s"
awk -v a="$fm_s" -v b="$find_s" 'BEGIN { printf "ratio FindFile / find: %.2f (target <= 2)\n", a / b }'
[ "$found" -eq "$expected" ] || { echo "FindFile found $found, expected $expected"; exit 1; }

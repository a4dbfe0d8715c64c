#!/usr/bin/env bash
# FindFile side by side with find(1): every *.jpg of a generated tree (100 files a folder,
# one file in five a .jpg), one match per VeUtl_FindFile call, all calls in one fmhost
# --script run, both writing into a pipe.  Two sizes so that growth shows; the two take
# turns (A B A B ...) and the medians are compared.
# Usage: bench/find_file.sh [BUILD_DIR] ; SIZES="20000 100000" ROUNDS=5
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/bench_lib.sh"
build="${1:-$here/../build}"
fmhost="$build/bin/fmhost"
rounds="${ROUNDS:-5}"
[ -x "$fmhost" ] || { echo "no fmhost at $fmhost (build first)"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VELMORA_DRIVES="C=$work/tree"

printf '%-8s %8s %10s %10s %7s\n' "files" "matches" "FindFile s" "find s" "ratio"
for files in ${SIZES:-20000 100000}; do
  rm -rf "$work/tree" && mkdir "$work/tree"
  python3 "$here/make_tree.py" "$work/tree" "$files"
  # The walk skips dot folders, so the count to expect leaves them out.
  expected=$(find "$work/tree" -name '.*' -prune -o -name '*.jpg' -print | wc -l)
  {
    echo "VeUtl_FindFile EXTENSION=jpg"
    for ((i = 0; i < expected; i++)); do echo "VeUtl_FindFile"; done
  } > "$work/script"
  found=$("$fmhost" --script "$work/script" | grep -vc '^ERROR=' || true)
  [ "$found" -eq "$expected" ] || { echo "FindFile found $found, expected $expected"; exit 1; }
  alternate "$rounds" : "\"$fmhost\" --script \"$work/script\" | cat > /dev/null" \
    "find \"$work/tree\" -name '.*' -prune -o -name '*.jpg' -print | cat > /dev/null"
  printf '%-8d %8d %10s %10s %7s\n' "$files" "$expected" "$MEDIAN_A" "$MEDIAN_B" \
    "$(ratio "$MEDIAN_A" "$MEDIAN_B")"
done

#!/usr/bin/env bash
# MoveFile of a folder tree within one file system, side by side with mv(1), at two
# sizes; each run moves the tree to the other side and back is not timed.  The two take
# turns (A B A B ...); medians.
# Usage: bench/move_tree.sh [BUILD_DIR] ; SIZES="1000 10000" ROUNDS=5
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/bench_lib.sh"
build="${1:-$here/../build}"
fmhost="$build/bin/fmhost"
rounds="${ROUNDS:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VELMORA_DRIVES="C=$work"

# Puts the tree back at src/tree (untimed).
reset() { [ -d "$work/dst/tree" ] && mv "$work/dst/tree" "$work/src/tree"; true; }

printf '%-8s %10s %10s %7s\n' "files" "MoveFile s" "mv s" "ratio"
for files in ${SIZES:-1000 10000}; do
  rm -rf "$work/src" "$work/dst" && mkdir -p "$work/src/tree" "$work/dst"
  python3 "$here/make_tree.py" "$work/src/tree" "$files" 16
  rm -rf "$work/src/tree/.cache"  # a dot folder stays behind, so its tree moves file by file
  alternate "$rounds" reset "\"$fmhost\" VeUtl_MoveFile 'SRC=C:src:tree DEST=C:dst' > /dev/null" \
    "mv \"$work/src/tree\" \"$work/dst/\""
  reset
  [ "$(find "$work/src/tree" -type f | wc -l)" -ge "$files" ] || { echo "files lost"; exit 1; }
  printf '%-8d %10s %10s %7s\n' "$files" "$MEDIAN_A" "$MEDIAN_B" "$(ratio "$MEDIAN_A" "$MEDIAN_B")"
done

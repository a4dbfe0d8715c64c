#!/usr/bin/env bash
# CopyFile side by side with cp(1): a 1 GB file, and a tree of 10,000 files of 4 KiB in
# 100 folders (cp -r).  Each run copies into a fresh, empty folder; written data is
# flushed (untimed) before each run, and the two programs take turns so that a slow
# spell of a shared disk hits both alike.  Best of three rounds.
# Usage: bench/copy_file.sh [BUILD_DIR] [WORK_PARENT]
#   WORK_PARENT: where to write (default the temporary folder; needs about 4 GB).
#   /dev/shm compares the programs without the disk.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
parent="${2:-${TMPDIR:-/tmp}}"
fmhost="$build/bin/fmhost"
[ -x "$fmhost" ] || { echo "no fmhost at $fmhost (build first)"; exit 1; }

work="$(mktemp -d -p "$parent")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"
head -c 1073741824 /dev/urandom > "$work/src/big.bin"
mkdir "$work/src/tree"
python3 "$here/make_tree.py" "$work/src/tree" 10000 4096
sync
export VELMORA_DRIVES="C=$work"

# Runs "$@" into a fresh, empty out/; prints the wall time in nanoseconds.
timed() {
  rm -rf "$work/out" && mkdir "$work/out" && sync
  local t0 t1
  t0=$(date +%s%N)
  "$@" > "$work/last.txt"
  t1=$(date +%s%N)
  echo $((t1 - t0))
}
# fmhost printed an empty line: the copy succeeded.
check_ok() {
  if [ "$(tr -d '\n' < "$work/last.txt")" != "" ]; then
    echo "CopyFile failed: $(cat "$work/last.txt")" >&2
    exit 1
  fi
}
# side_by_side SRC_NATIVE SRC_HOST: best cp and CopyFile times, "cp_seconds ve_seconds".
side_by_side() {
  local best_cp="" best_ve=""
  for _ in 1 2 3; do
    local t
    t=$(timed cp -r "$2" "$work/out/")
    if [ -z "$best_cp" ] || [ "$t" -lt "$best_cp" ]; then best_cp=$t; fi
    t=$(timed "$fmhost" VeUtl_CopyFile "SRC=$1 DEST=C:out")
    check_ok
    if [ -z "$best_ve" ] || [ "$t" -lt "$best_ve" ]; then best_ve=$t; fi
  done
  awk -v a="$best_cp" -v b="$best_ve" 'BEGIN { printf "%.3f %.3f\n", a / 1e9, b / 1e9 }'
}

read -r cp_big ve_big < <(side_by_side 'C:src:big.bin' "$work/src/big.bin")
cmp "$work/src/big.bin" "$work/out/big.bin"
read -r cp_tree ve_tree < <(side_by_side 'C:src:tree' "$work/src/tree")
[ "$(find "$work/out/tree" -type f | wc -l)" -eq 10000 ] || { echo "tree copy incomplete"; exit 1; }

echo "work folder on: $(df --output=fstype "$work" | tail -1)"
printf '%-40s %8s s\n' "cp 1 GB file" "$cp_big" "fmhost VeUtl_CopyFile 1 GB file" "$ve_big" \
  "cp -r 10,000 files" "$cp_tree" "fmhost VeUtl_CopyFile 10,000 files" "$ve_tree"
awk -v a="$ve_big" -v b="$cp_big" -v c="$ve_tree" -v d="$cp_tree" 'BEGIN {
  printf "ratio CopyFile / cp: 1 GB file %.2f, tree %.2f (target <= 1.2)\n", a / b, c / d }'

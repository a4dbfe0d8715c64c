#!/usr/bin/env bash
# Walks a folder of 10,000 entries by number (FolderItemCount, then GetFolderItem 1 to
# 10,000) through one fmhost --script run, next to `ls -f` listing the same folder.
# The kept listing makes the walk cost one folder read in all; target: under 1 s.
set -euo pipefail
fmhost="${1:-build/bin/fmhost}"
entries="${ENTRIES:-10000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/c/Many"
(cd "$work/c/Many" && seq -f "file%05g.txt" 1 "$entries" | xargs touch)
sleep 0.2  # let the folder's time stamps settle, as on a folder not being written to
{
  echo "VeUtl_FolderItemCount PATH=C:\\\\Many"
  for i in $(seq 1 "$entries"); do echo "VeUtl_GetFolderItem PATH=C:\\\\Many INDEX=$i"; done
} > "$work/calls.txt"

now() { date +%s.%N; }
t0=$(now)
VELMORA_DRIVES="C=$work/c" "$fmhost" --script "$work/calls.txt" > "$work/out.txt"
t1=$(now)
ls -f "$work/c/Many" > "$work/ls.txt"
t2=$(now)

count=$(head -1 "$work/out.txt")
listed=$(($(wc -l < "$work/out.txt") - 1))
[ "$count" = "$entries" ] || { echo "FolderItemCount answered $count, expected $entries"; exit 1; }
[ "$listed" = "$entries" ] || { echo "only $listed entries walked"; exit 1; }
printf 'fmhost: FolderItemCount + GetFolderItem 1..%d  %.3f s\n' "$entries" "$(echo "$t1 - $t0" | bc)"
printf 'ls -f:  one listing of the same folder            %.3f s\n' "$(echo "$t2 - $t1" | bc)"

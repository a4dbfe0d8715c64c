#!/usr/bin/env bash
# Folder walks by number (FolderItemCount, then GetFolderItem 1..N) in one fmhost --script
# run, side by side with `ls -f` listing the same folders (find for the sub-folders), at two sizes so that growth
# shows: one folder, two folders walked in turn, and one folder walked while FileInfo is
# asked of each of its sub-folders.  The two commands take turns (A B A B ...); medians.
# Usage: bench/folder_walk.sh [FMHOST] ; SIZES="2000 10000" ROUNDS=5
# The one-folder walk is also timed beside bench/listing_floor.c ("floor"): ls -f plus
# the stored-attribute read per entry that a listing of visible entries cannot skip.
# Last lines: the cost of one more entry (start-up left out) beside ls -f's and the floor's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/bench_lib.sh"
fmhost="${1:-$here/../build/bin/fmhost}"
rounds="${ROUNDS:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VELMORA_DRIVES="C=$work/c"
floor="$work/listing_floor"
cc -O2 -o "$floor" "$here/listing_floor.c"

walk_calls() {  # folder entries -> script lines
  echo "VeUtl_FolderItemCount PATH=C:\\\\$1"
  for ((i = 1; i <= $2; i++)); do echo "VeUtl_GetFolderItem PATH=C:\\\\$1 INDEX=$i"; done
}

printf '%-34s %7s %10s %10s %7s\n' "walk" "entries" "fmhost s" "ls -f s" "ratio"
sizes=() walk_a=() walk_b=() floor_a=() floor_b=()
for n in ${SIZES:-2000 10000}; do
  rm -rf "$work/c" && mkdir -p "$work/c/A" "$work/c/B" "$work/c/S"
  (cd "$work/c/A" && seq -f "file%06g.txt" 1 "$n" | xargs touch)
  (cd "$work/c/B" && seq -f "file%06g.txt" 1 "$n" | xargs touch)
  subs=$((n / 5))
  (cd "$work/c/S" && seq -f "dir%06g" 1 "$subs" | xargs mkdir)
  walk_calls A "$n" > "$work/one.txt"
  { walk_calls A "$n"; walk_calls B "$n"; } > "$work/two.txt"
  {
    echo "VeUtl_FolderItemCount PATH=C:\\\\S"
    for ((i = 1; i <= subs; i++)); do
      echo "VeUtl_GetFolderItem PATH=C:\\\\S INDEX=$i"
      printf 'VeUtl_FileInfo PATH=C:\\\\S\\\\dir%06d\n' "$i"
    done
  } > "$work/info.txt"
  [ "$("$fmhost" --script "$work/one.txt" | head -1)" = "$n" ] || { echo "wrong count"; exit 1; }

  alternate "$rounds" : "\"$fmhost\" --script \"$work/one.txt\" > /dev/null" \
    "ls -f \"$work/c/A\" > /dev/null"
  one=$MEDIAN_A
  sizes+=("$n") walk_a+=("$MEDIAN_A") walk_b+=("$MEDIAN_B")
  printf '%-34s %7d %10s %10s %7s\n' "one folder" "$n" "$MEDIAN_A" "$MEDIAN_B" "$(ratio "$MEDIAN_A" "$MEDIAN_B")"
  alternate "$rounds" : "\"$fmhost\" --script \"$work/one.txt\" > /dev/null" \
    "\"$floor\" \"$work/c/A\" > /dev/null"
  floor_a+=("$MEDIAN_A") floor_b+=("$MEDIAN_B")
  printf '%-34s %7d %10s %10s %7s   (floor)\n' "one folder beside the floor" "$n" "$MEDIAN_A" \
    "$MEDIAN_B" "$(ratio "$MEDIAN_A" "$MEDIAN_B")"
  alternate "$rounds" : "\"$fmhost\" --script \"$work/two.txt\" > /dev/null" \
    "ls -f \"$work/c/A\" > /dev/null; ls -f \"$work/c/B\" > /dev/null"
  printf '%-34s %7d %10s %10s %7s   (two / one: %s)\n' "two folders in turn" "$((2 * n))" \
    "$MEDIAN_A" "$MEDIAN_B" "$(ratio "$MEDIAN_A" "$MEDIAN_B")" "$(ratio "$MEDIAN_A" "$one")"
  alternate "$rounds" : "\"$fmhost\" --script \"$work/info.txt\" > /dev/null" \
    "find \"$work/c/S\" -mindepth 1 -maxdepth 2 > /dev/null"
  printf '%-34s %7d %10s %10s %7s\n' "walk + FileInfo of sub-folders" "$subs" "$MEDIAN_A" \
    "$MEDIAN_B" "$(ratio "$MEDIAN_A" "$MEDIAN_B")"
done
# What one more entry costs, start-up left out: the one-folder walks of the largest and
# the smallest size, their difference over the difference in entries.
if [ "${#sizes[@]}" -ge 2 ]; then
  last=$((${#sizes[@]} - 1))
  awk -v n0="${sizes[0]}" -v n1="${sizes[$last]}" -v a0="${walk_a[0]}" -v a1="${walk_a[$last]}" \
    -v b0="${walk_b[0]}" -v b1="${walk_b[$last]}" 'BEGIN {
      fa = (a1 - a0) / (n1 - n0) * 1e6; fb = (b1 - b0) / (n1 - n0) * 1e6
      printf "per entry, one folder (%d to %d): fmhost %.2f us, ls -f %.2f us, ratio %.2f\n",
             n0, n1, fa, fb, (fb > 0 ? fa / fb : 0) }'
  awk -v n0="${sizes[0]}" -v n1="${sizes[$last]}" -v a0="${floor_a[0]}" -v a1="${floor_a[$last]}" \
    -v b0="${floor_b[0]}" -v b1="${floor_b[$last]}" 'BEGIN {
      fa = (a1 - a0) / (n1 - n0) * 1e6; fb = (b1 - b0) / (n1 - n0) * 1e6
      printf "per entry, one folder (%d to %d): fmhost %.2f us, floor %.2f us, ratio %.2f\n",
             n0, n1, fa, fb, (fb > 0 ? fa / fb : 0) }'
fi

#!/usr/bin/env bash
# VeImg_SaveImage side by side with djpeg | cjpeg: a 12-megapixel JPEG (4000 x 3000)
# saved as a 2-megapixel JPEG.  fmhost fits the photo into 1633 x 1225 (ScaleToFit), its
# decoder reducing in the DCT domain first; djpeg can only scale by eighths, so it does
# 3/8 (1500 x 1125, 1.7 megapixels) and cjpeg encodes that.  Both at quality 75, each run
# a fresh process; best and median of the runs.
# Usage: bench/save_image.sh [path/to/fmhost] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fmhost="${1:-$root/build/bin/fmhost}"
runs="${2:-7}"
[ -x "$fmhost" ] || { echo "save_image.sh: no fmhost at $fmhost (build first)"; exit 1; }
for tool in cjpeg djpeg python3; do
  command -v "$tool" >/dev/null || { echo "save_image.sh: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A photo-like picture: smooth gradients with fine texture, so the encoder has work.
python3 - "$work/big.ppm" <<'PY'
import sys, math
w, h = 4000, 3000
rows = bytearray()
for y in range(h):
    for x in range(w):
        t = ((x * 7 + y * 13) % 29) * 3
        rows += bytes(((x * 255 // w + t) & 255, (y * 255 // h + t) & 255, (x + y) * 255 // (w + h)))
open(sys.argv[1], "wb").write(b"P6\n%d %d\n255\n" % (w, h) + rows)
PY
cjpeg -quality 90 "$work/big.ppm" > "$work/big.jpg"
rm "$work/big.ppm"

# Runs "$@" $runs times; prints the best and median wall time and the best processor
# time (user + system, children included) in milliseconds.  The processor time is the
# steadier figure on a machine that others share.
measure() {
  local walls=() cpus=() TIMEFORMAT='%R %U %S' line r u s
  for _ in $(seq "$runs"); do
    line=$({ time "$@" > /dev/null; } 2>&1)
    read -r r u s <<< "$line"
    walls+=("$(awk -v r="$r" 'BEGIN {printf "%d", r * 1000}')")
    cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN {printf "%d", (u + s) * 1000}')")
  done
  local wall cpu
  wall=$(printf '%s\n' "${walls[@]}" | sort -n | awk '{a[NR]=$1} END {print a[1], a[int((NR+1)/2)]}')
  cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | head -1)
  echo "$wall $cpu"
}

save() {
  "$fmhost" VeImg_SaveImage "SRC='$work/big.jpg' WIDTH=1633 HEIGHT=1225 DISPLAYMODE=ScaleToFit DEST='$work/fmhost.jpg' EXTENSION=jpg QUALITY=HIGH"
}
pipe() {
  djpeg -scale 3/8 "$work/big.jpg" | cjpeg -quality 75 > "$work/djpeg.jpg"
}

startup() { "$fmhost" VeUtl_Version ""; }
read -r f_best f_median f_cpu < <(measure save)
read -r d_best d_median d_cpu < <(measure pipe)
read -r s_best s_median s_cpu < <(measure startup)
echo "12-megapixel JPEG to a 2-megapixel JPEG, $runs runs, milliseconds:"
printf '  %-28s %9s %9s %9s  %s\n' "" "wall best" "median" "cpu best" "result"
printf '  %-28s %9s %9s %9s  %s\n' "fmhost VeImg_SaveImage" "$f_best" "$f_median" "$f_cpu" \
  "$("$fmhost" VeImg_ImageInfo "SRC='$work/fmhost.jpg'")"
printf '  %-28s %9s %9s %9s  %s\n' "djpeg -scale 3/8 | cjpeg" "$d_best" "$d_median" "$d_cpu" \
  "$("$fmhost" VeImg_ImageInfo "SRC='$work/djpeg.jpg'")"
printf '  %-28s %9s %9s %9s\n' "(fmhost start, VeUtl_Version)" "$s_best" "$s_median" "$s_cpu"

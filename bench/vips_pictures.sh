#!/usr/bin/env bash
# DrawImage (fitted to 800 x 600, window saved as PNG), PreviewImage (a 200 x 200
# thumbnail) and vipsthumbnail side by side on photo-like JPEGs and a PNG at two sizes,
# alternating A B A B in one run; medians of the wall times, their ratio, and the peak
# resident memory of each (from /usr/bin/time).  With a second fmhost (an earlier
# build), that one runs in the same rotation too and its ratio to vipsthumbnail is shown.
# Usage: bench/vips_pictures.sh [path/to/fmhost] [runs] [path/to/earlier/fmhost]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fmhost="${1:-$root/build/bin/fmhost}"
runs="${2:-5}"
earlier="${3:-}"
for tool in vips vipsthumbnail /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "vips_pictures.sh: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Photo-like pictures: noise over a gradient, so that the codecs have work.
make_picture() {  # width height file
  vips gaussnoise "$work/noise.v" "$1" "$2" --mean 128 --sigma 40
  vips bandjoin "$work/noise.v $work/noise.v $work/noise.v" "$work/rgb.v"
  vips cast "$work/rgb.v" "$3" uchar
  rm -f "$work/noise.v" "$work/rgb.v"
}

# One timed run: prints "milliseconds peak_kB".
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > /dev/null 2>&1
  awk '{printf "%d %d\n", $1 * 1000, $2}' "$work/time"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

compare() {  # label, command A..., --, command B...
  local label="$1"; shift
  local a=() b=() seen=0
  for arg in "$@"; do
    if [ "$arg" = "--" ]; then seen=1; continue; fi
    if [ $seen -eq 0 ]; then a+=("$arg"); else b+=("$arg"); fi
  done
  local ta=() tb=() te=() ma=0 mb=0 me=0 t m
  for _ in $(seq "$runs"); do
    read -r t m < <(timed "${a[@]}"); ta+=("$t"); [ "$m" -gt "$ma" ] && ma=$m
    read -r t m < <(timed "${b[@]}"); tb+=("$t"); [ "$m" -gt "$mb" ] && mb=$m
    if [ -n "$earlier" ]; then
      read -r t m < <(timed "$earlier" "${a[@]:1}"); te+=("$t"); [ "$m" -gt "$me" ] && me=$m
    fi
  done
  local xa xb xe
  xa=$(printf '%s\n' "${ta[@]}" | median)
  xb=$(printf '%s\n' "${tb[@]}" | median)
  printf '  %-44s %7d ms %7d MB | vips %7d ms %7d MB | ratio %s\n' "$label" "$xa" $((ma / 1024)) \
    "$xb" $((mb / 1024)) "$(awk -v a="$xa" -v b="$xb" 'BEGIN {printf "%.2f", a / b}')"
  if [ -n "$earlier" ]; then
    xe=$(printf '%s\n' "${te[@]}" | median)
    printf '  %-44s %7d ms %7d MB |                         | ratio %s\n' "  (earlier build)" "$xe" \
      $((me / 1024)) "$(awk -v a="$xe" -v b="$xb" 'BEGIN {printf "%.2f", a / b}')"
  fi
}

for size in "3000 2000" "6000 4000"; do
  read -r w h <<< "$size"
  make_picture "$w" "$h" "$work/photo.jpg[Q=90]"
  echo "JPEG ${w}x${h}, $runs runs each, medians:"
  compare "DrawImage ScaleToFit 800x600 + --save-window" \
    "$fmhost" --window-size 800x600 --save-window "$work/window.png" VeImg_DrawImage \
    "SRC='$work/photo.jpg' DESTRECT=0,0,800,600 DISPLAYMODE=ScaleToFit" \
    -- vipsthumbnail "$work/photo.jpg" --size 800x600 -o "$work/vips.png"
  compare "PreviewImage WIDTH=200 HEIGHT=200" \
    "$fmhost" VeImg_PreviewImage "SRC='$work/photo.jpg' WIDTH=200 HEIGHT=200" \
    -- vipsthumbnail "$work/photo.jpg" --size 200x200 -o "$work/vips.png"
done
for side in 8000 20000; do
  make_picture "$side" "$side" "$work/big.png[compression=1]"
  echo "PNG ${side}x${side}, $runs runs each, medians:"
  compare "PreviewImage WIDTH=200 HEIGHT=200" \
    "$fmhost" VeImg_PreviewImage "SRC='$work/big.png' WIDTH=200 HEIGHT=200" \
    -- vipsthumbnail "$work/big.png" --size 200x200 -o "$work/vips.png"
  rm -f "$work/big.png"
done

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

# One timed run: prints "milliseconds peak_kB cpu_milliseconds" (user + system: on a
# shared machine the processor time says more than the wall time).
timed() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" > /dev/null 2>&1
  awk '{printf "%d %d %d\n", $1 * 1000, $2, ($3 + $4) * 1000}' "$work/time"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

compare() {  # label, command A..., --, command B...
  local label="$1"; shift
  local a=() b=() seen=0
  for arg in "$@"; do
    if [ "$arg" = "--" ]; then seen=1; continue; fi
    if [ $seen -eq 0 ]; then a+=("$arg"); else b+=("$arg"); fi
  done
  local ta=() tb=() te=() ca=() cb=() ce=() ma=0 mb=0 me=0 t m c
  for _ in $(seq "$runs"); do
    read -r t m c < <(timed "${a[@]}"); ta+=("$t"); ca+=("$c"); [ "$m" -gt "$ma" ] && ma=$m
    read -r t m c < <(timed "${b[@]}"); tb+=("$t"); cb+=("$c"); [ "$m" -gt "$mb" ] && mb=$m
    if [ -n "$earlier" ]; then
      read -r t m c < <(timed "$earlier" "${a[@]:1}"); te+=("$t"); ce+=("$c")
      [ "$m" -gt "$me" ] && me=$m
    fi
  done
  local xa xb xe ya yb ye
  xa=$(printf '%s\n' "${ta[@]}" | median); ya=$(printf '%s\n' "${ca[@]}" | median)
  xb=$(printf '%s\n' "${tb[@]}" | median); yb=$(printf '%s\n' "${cb[@]}" | median)
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
  printf '  %-40s %6d ms %5d cpu %4d MB | vips %6d ms %5d cpu %4d MB | ratio %s, cpu %s\n' \
    "$label" "$xa" "$ya" $((ma / 1024)) "$xb" "$yb" $((mb / 1024)) "$(ratio "$xa" "$xb")" \
    "$(ratio "$ya" "$yb")"
  if [ -n "$earlier" ]; then
    xe=$(printf '%s\n' "${te[@]}" | median); ye=$(printf '%s\n' "${ce[@]}" | median)
    printf '  %-40s %6d ms %5d cpu %4d MB | %31s | ratio %s, cpu %s\n' "  (earlier build)" "$xe" \
      "$ye" $((me / 1024)) "" "$(ratio "$xe" "$xb")" "$(ratio "$ye" "$yb")"
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

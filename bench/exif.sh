#!/usr/bin/env bash
# VeImg_ExifInfo side by side with exiv2 -pa (and exiftool -fast2 when installed) over
# one folder of JPEGs, each tool in one process; then one 20 MB JPEG against a 200 KB
# one, to show that the picture's size does not matter.
# Usage: bench/exif.sh [path/to/fmhost]   (EXIF_BENCH_FILES sets the folder's size)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fmhost="${1:-$root/build/bin/fmhost}"
files="${EXIF_BENCH_FILES:-600}"
calls="${EXIF_BENCH_CALLS:-200}"
for tool in cjpeg exiftool exiv2 python3; do
  command -v "$tool" >/dev/null || { echo "exif.sh: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
rate() { python3 -c "import sys; n, s = float(sys.argv[1]), float(sys.argv[2]); print(f'{n / s:10.0f}')" "$@"; }

# Noise compresses badly, so the picture's size is set by its dimensions.
noise_jpeg() {  # width height out.jpg
  python3 -c "import os, sys; w, h = int(sys.argv[1]), int(sys.argv[2]); \
sys.stdout.buffer.write(b'P6\n%d %d\n255\n' % (w, h) + os.urandom(w * h * 3))" "$1" "$2" \
    | cjpeg -quality 95 > "$3"
  exiftool -q -overwrite_original -Make=Velmora -Model='Bench Cam' -ExposureTime=1/125 \
    -FNumber=4 -ISO=200 -UserComment='benchmark picture' -GPSLatitude=35.5 \
    -GPSLatitudeRef=N "$3"
}

# ---- one folder of JPEGs: camera pictures and tool-written ones -----------------------
mkdir -p "$work/jpegs"
noise_jpeg 320 240 "$work/tool.jpg"
sources=("$root"/tests/data/exif/nikon-d2h-intel.jpg "$root"/tests/data/exif/iphone4s-motorola.jpg
         "$root"/tests/data/exif/casio-ex-z70-truncated.jpg "$work/tool.jpg")
for ((i = 0; i < files; i++)); do
  cp "${sources[i % ${#sources[@]}]}" "$work/jpegs/img$i.jpg"
done
for f in "$work"/jpegs/*.jpg; do echo "VeImg_ExifInfo PATH='$f'"; done > "$work/folder.script"

# Warm the page cache once, then time each reader over the same files.
cat "$work"/jpegs/*.jpg > /dev/null
t0=$(now); "$fmhost" --script "$work/folder.script" > "$work/ours.txt"; t1=$(now)
exiv2_start=$(now); exiv2 -pa "$work"/jpegs/*.jpg > /dev/null 2>&1 || true; exiv2_end=$(now)
ours_s=$(python3 -c "print($t1 - $t0)")
exiv2_s=$(python3 -c "print($exiv2_end - $exiv2_start)")
errors=$(grep -c '^ERROR=' "$work/ours.txt" || true)

echo "EXIF of $files JPEG files, one process each (files per second):"
printf '  VeImg_ExifInfo (fmhost --script) %s   (%.3f s, %s error answers)\n' "$(rate "$files" "$ours_s")" "$ours_s" "$errors"
printf '  exiv2 -pa                        %s   (%.3f s)\n' "$(rate "$files" "$exiv2_s")" "$exiv2_s"
if command -v exiftool >/dev/null; then
  e0=$(now); exiftool -fast2 -q "$work"/jpegs/*.jpg > /dev/null 2>&1 || true; e1=$(now)
  et_s=$(python3 -c "print($e1 - $e0)")
  printf '  exiftool -fast2                  %s   (%.3f s)\n' "$(rate "$files" "$et_s")" "$et_s"
fi
python3 -c "print(f'  VeImg_ExifInfo / exiv2: {$exiv2_s / $ours_s:.1f}x')"

# ---- one big picture against a small one ------------------------------------------------
noise_jpeg 5000 3400 "$work/big.jpg"
noise_jpeg 480 360 "$work/small.jpg"
for name in small big; do
  for ((i = 0; i < calls; i++)); do echo "VeImg_ExifInfo PATH='$work/$name.jpg'"; done > "$work/$name.script"
done
cat "$work/big.jpg" "$work/small.jpg" > /dev/null
echo "The same picture's EXIF, $calls calls in one process:"
for name in small big; do
  best=""
  for run in 1 2 3; do  # best of three, against noise from other processes
    s0=$(now); "$fmhost" --script "$work/$name.script" > "$work/$name.txt"; s1=$(now)
    best=$(python3 -c "b = '$best'; t = $s1 - $s0; print(t if not b or t < float(b) else b)")
  done
  size=$(stat -c %s "$work/$name.jpg")
  python3 -c "print(f'  {$size / 1e6:6.2f} MB file: {$best / $calls * 1e6:8.1f} us per call')"
done
cmp -s <(head -1 "$work/small.txt" | sed 's/ExifImage[^ ]* //g') <(head -1 "$work/big.txt" | sed 's/ExifImage[^ ]* //g') \
  || echo "  (the two pictures' texts differ beyond their sizes)"

#!/usr/bin/env bash
# Hostile and oversized pictures through DrawImage and GrabImage, each at two sizes: tiny
# files claiming huge grabs, pictures over the pixel limit drawn at natural size into a
# 640 x 480 window, gigabyte BMP and PICT files (sparse).  Each case runs `runs` times,
# alternating with an earlier fmhost when one is given (A B A B); medians of the wall
# times, their ratio, the peak resident memory of each (from /usr/bin/time) and the
# first answer line (an error answers at once, or the call draws).
# Usage: bench/hostile_pictures.sh [path/to/fmhost] [runs] [path/to/earlier/fmhost]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fmhost="${1:-$root/build/bin/fmhost}"
runs="${2:-3}"
earlier="${3:-}"
for tool in vips /usr/bin/time /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "hostile_pictures.sh: $tool is missing"; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Pictures: PNG bombs of one colour (their rows deflate to almost nothing), RGB TIFFs
# whose strips all share one block of data, sparse BMP files of zero pixels, a small PICT
# followed by a sparse gigabyte.
/usr/bin/python3 - "$work" <<'EOF'
import os, struct, sys, zlib
out = sys.argv[1]

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

def zeros_deflated(n, block=1 << 24):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = c.compress(bytes(block)) + c.flush(zlib.Z_FULL_FLUSH)
    last = zlib.compressobj(9, zlib.DEFLATED, -15)
    tail = last.compress(bytes(n % block)) + last.flush()
    return b"\x78\xda" + body * (n // block) + tail + struct.pack(">I", ((n % 65521) << 16) | 1)

def black_png(path, w, h):
    head = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    open(path, "wb").write(head + chunk(b"IDAT", zeros_deflated(h * (1 + 3 * w))) + chunk(b"IEND", b""))

def stripes_tiff(path, w, h):
    strips, size = h // 16, w * 16 * 3
    data = bytes(v for y in range(16) for x in range(w) for v in (x & 255, (x >> 8) & 255, y * 13))
    b = bytearray(b"II*\0\0\0\0\0") + data
    bits = len(b); b += struct.pack("<HHH", 8, 8, 8)
    offsets = len(b); b += struct.pack("<%dI" % strips, *[8] * strips)
    counts = len(b); b += struct.pack("<%dI" % strips, *[size] * strips)
    ifd = len(b)
    entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, 3, bits), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, strips, offsets), (277, 3, 1, 3), (278, 4, 1, 16), (279, 4, strips, counts)]
    b += struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        b += struct.pack("<HHI", tag, kind, count)
        b += struct.pack("<HH", value, 0) if kind == 3 and count == 1 else struct.pack("<I", value)
    b += struct.pack("<I", 0)
    struct.pack_into("<I", b, 4, ifd)
    open(path, "wb").write(b)

def sparse_bmp(path, side):
    h = b"BM" + struct.pack("<IHHI", 0, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, side, side, 1, 32, 0, 0, 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(h)
        f.truncate(54 + side * side * 4)

for side in (8192, 16384):
    black_png(os.path.join(out, "bomb%d.png" % side), side, side)
for w in (20000, 40000):
    stripes_tiff(os.path.join(out, "wide%d.tif" % w), w, 10000)
    black_png(os.path.join(out, "wide%d.png" % w), w, 10000)
for side in (8000, 16000):
    sparse_bmp(os.path.join(out, "huge%d.bmp" % side), side)
EOF
for w in 20000 40000; do vips black "$work/wide$w.jpg[Q=90]" "$w" 10000 --bands 3; done
vips black "$work/small.png" 300 200 --bands 3
"$fmhost" VeImg_SaveImage "SRC='$work/small.png' DEST='$work/small.pct' EXTENSION=pct" > /dev/null
for size in 100M 1000M; do cp "$work/small.pct" "$work/tail$size.pct"; truncate -s "$size" "$work/tail$size.pct"; done

# One timed run: prints "milliseconds peak_kB" and keeps the first answer line.
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > "$work/answer" 2>/dev/null || true
  awk '{printf "%d %d\n", $1 * 1000, $2}' "$work/time"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

case_run() {  # label, fmhost arguments...
  local label="$1"; shift
  local ta=() te=() ma=0 me=0 t m answer earlier_answer=""
  for _ in $(seq "$runs"); do
    read -r t m < <(timed "$fmhost" "$@"); ta+=("$t"); [ "$m" -gt "$ma" ] && ma=$m
    answer="$(head -c 40 "$work/answer" | head -n 1)"
    if [ -n "$earlier" ]; then
      read -r t m < <(timed "$earlier" "$@"); te+=("$t"); [ "$m" -gt "$me" ] && me=$m
      earlier_answer="$(head -c 40 "$work/answer" | head -n 1)"
    fi
  done
  local xa xe
  xa=$(printf '%s\n' "${ta[@]}" | median)
  printf '  %-46s %6d ms %5d MB  %s\n' "$label" "$xa" $((ma / 1024)) "${answer:-(drawn)}"
  if [ -n "$earlier" ]; then
    xe=$(printf '%s\n' "${te[@]}" | median)
    printf '  %-46s %6d ms %5d MB  %s, ratio %s\n' "  (earlier build)" "$xe" $((me / 1024)) \
      "${earlier_answer:-(drawn)}" \
      "$(awk -v a="$xa" -v b="$xe" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}')"
  fi
}

window=(--window-size 640x480 VeImg_DrawImage)
echo "Hostile pictures, $runs runs each, medians:"
for side in 8192 16384; do
  case_run "GrabImage natural, PNG bomb ${side}^2" VeImg_GrabImage "SRC='$work/bomb$side.png'"
done
for w in 20000 40000; do
  for kind in tif png jpg; do
    case_run "DrawImage natural ${w}x10000 $kind" "${window[@]}" \
      "SRC='$work/wide$w.$kind' DESTRECT=0,0,640,480"
  done
done
for side in 8000 16000; do
  case_run "DrawImage natural, sparse BMP ${side}^2" "${window[@]}" \
    "SRC='$work/huge$side.bmp' DESTRECT=0,0,640,480"
  case_run "DrawImage fitted, sparse BMP ${side}^2" "${window[@]}" \
    "SRC='$work/huge$side.bmp' DESTRECT=0,0,640,480 DISPLAYMODE=ScaleToFit"
done
for size in 100M 1000M; do
  case_run "DrawImage, PICT 300x200 in a $size file" "${window[@]}" \
    "SRC='$work/tail$size.pct' DESTRECT=0,0,640,480"
done

#!/usr/bin/env bash
# A short tour of the plug-in through fmhost: each call is announced, then its real
# result is printed. Usage: scripts/demo.sh BUILD/bin/fmhost
set -euo pipefail

fmhost="${1:-build/bin/fmhost}"
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -x "$fmhost" ]; then
  echo "demo: $fmhost is not an executable fmhost (build first: make build)" >&2
  exit 1
fi

# Each pair: what the call shows, then the script line (function name, blank, parameter).
calls=(
  "The plug-in's version"                      "VeUtl_Version "
  "Width of the rectangle 10,20,110,220"       "VeUtl_CalcRect RECT=10,20,110,220 WIDTH"
  "Intersect two rectangles, then move it"     "VeUtl_CalcRect RECT=0,0,100,100 INTERSECT=50,50,200,200 OFFSET=10,10"
  "Move a point by 5,5 and back by 1,2"        "VeUtl_CalcPoint POINT=10,20 ADD=5,5 SUB=1,2"
  "Is 10,20 inside 0,0,10,30?"                 "VeUtl_CalcPoint POINT=10,20 INSIDE=0,0,10,30"
  "Darken the colour #FF8000"                  "VeUtl_CalcColor COLOR=#FF8000 DARKEN"
  "Invert the colour 10,20,30"                 "VeUtl_CalcColor 10,20,30 INVERT"
  "Pick SIZE out of another function's answer" "VeUtl_Tag TAG=SIZE NAME='a.txt' KIND=file SIZE=1200"
  "The keys of an answer"                      "VeUtl_TagList NAME='a' KIND=file size=3"
  "Describe this project's README"             "VeUtl_FileInfo PATH='$root/README.md'"
  "How many items the test-data folder holds"  "VeUtl_FolderItemCount PATH='$root/tests/data'"
  "Camera tags of a real photo"                "VeImg_ExifInfo PATH='$root/tests/data/exif/iphone4s-motorola.jpg'"
)

script=""
for ((i = 0; i < ${#calls[@]}; i += 2)); do
  script+="${calls[i + 1]}"$'\n'
done

# One fmhost run for the whole script: one result line per call, in order.
if ! output=$(printf '%s' "$script" | "$fmhost" --script -); then
  echo "demo: fmhost failed" >&2
  exit 1
fi
mapfile -t results <<<"$output"

for ((i = 0; i < ${#calls[@]}; i += 2)); do
  printf '%s\n  %s\n  -> %s\n' "${calls[i]}" "${calls[i + 1]}" "${results[i / 2]:-}"
done

#!/usr/bin/env bash
# Zips the Windows modules for the desktop hosts: VELMORA2.fmx64 (64-bit host) from the
# 64-bit build and VELMORA2.fmx (32-bit host) from the 32-bit build, with the installation
# guide.  Whatever of the two exists goes in; a missing one is reported.  Each file's PE
# header must name the machine its extension promises, since a host loads a module by its
# extension alone and a 64-bit file under the 32-bit name would simply fail to load.
#
#   package-windows.sh WIN64_BUILD_DIR WIN32_BUILD_DIR OUTPUT_DIR
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 WIN64_BUILD_DIR WIN32_BUILD_DIR OUTPUT_DIR" >&2
  exit 2
fi
win64=$1
win32=$2
out=$3
root=$(cd "$(dirname "$0")/.." && pwd)

version=$(sed -n 's/^project(Velmora2 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [ -z "$version" ]; then
  echo "package-windows: no project version in $root/CMakeLists.txt" >&2
  exit 1
fi

# The machine a PE file is built for: x86-64, i386, or what else it says.
pe_machine() {
  local file=$1 offset signature machine
  [ "$(head -c 2 "$file")" = "MZ" ] || { echo "not a PE file"; return; }
  offset=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' \n')
  signature=$(od -An -tx1 -j"$offset" -N4 "$file" | tr -d ' \n')
  [ "$signature" = "50450000" ] || { echo "not a PE file"; return; }
  machine=$(od -An -tx1 -j$((offset + 4)) -N2 "$file" | tr -d ' \n')
  case $machine in
    6486) echo x86-64 ;;
    4c01) echo i386 ;;
    *) echo "machine 0x$machine" ;;
  esac
}

name="VELMORA2-$version-Windows"
mkdir -p "$out"
zip="$(cd "$out" && pwd)/$name.zip"
# A zip of an earlier run must not pass for this one's.
rm -f "$zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name"

found=0
# file in the build, machine it must be for, what builds it
add_module() {
  local file=$1 want=$2 how=$3 got
  if [ ! -f "$file" ]; then
    echo "package-windows: missing $file ($how); the zip goes without it" >&2
    return
  fi
  got=$(pe_machine "$file")
  if [ "$got" != "$want" ]; then
    echo "package-windows: $file is $got, not $want: refusing to package it" >&2
    exit 1
  fi
  cp "$file" "$stage/$name/"
  found=$((found + 1))
}

add_module "$win64/bin/VELMORA2.fmx64" x86-64 "the 64-bit build"
if [ ! -f "$win64/bin/VELMORA2.fmx64" ] && [ -f "$win64/bin/VELMORA2.fmx" ]; then
  echo "package-windows: $win64/bin holds VELMORA2.fmx, the 64-bit module under the" \
       "32-bit host's name; rebuild it so that it is named VELMORA2.fmx64" >&2
fi
add_module "$win32/bin/VELMORA2.fmx" i386 "the 32-bit build"

if [ "$found" -eq 0 ]; then
  echo "package-windows: no Windows module found; nothing packaged" >&2
  exit 1
fi

cp "$root/docs/install.md" "$stage/$name/"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip "$name")
echo "package-windows: $zip"
(cd "$stage" && find "$name" -type f | sort | sed 's/^/  /')

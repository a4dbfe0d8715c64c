#!/usr/bin/env bash
# Holds a binary to the real host library's published call names
# (tests/data/host-interface-names.txt): the real host refuses a module that imports any
# other name from it, and names only our own host has must never be imported at all.
#   scripts/check-host-names.sh module FILE    ELF module: its imports, its one export, how
#                                              it finds the host library
#   scripts/check-host-names.sh library FILE   ELF stand-in host library: its exports
#   scripts/check-host-names.sh windows FILE   Windows module: its import table
set -uo pipefail
kind=${1:?kind} file=${2:?file}
list=${3:-$(dirname "$0")/../tests/data/host-interface-names.txt}
[ -s "$list" ] && [ -f "$file" ] || { echo "usage: $0 module|library|windows FILE [LIST]"; exit 2; }
failures=0
fail() {
  echo "FAIL: $file: $*"
  failures=$((failures + 1))
}
# Reads names, one a line; prints those that are not published calls.
unpublished() { grep -vxF -f "$list"; }
ours() { grep -iE '^(FMW_|VLM_|FM_Clipboard|FM_DocumentWindow)|velmora'; }

case $kind in
  module)
    imports=$(nm -D --undefined-only "$file" | awk '{ sub(/@.*/, "", $NF); print $NF }')
    bad=$(grep '^FM_' <<<"$imports" | unpublished)
    [ -z "$bad" ] || fail "imports unpublished host calls:" $bad
    bad=$(ours <<<"$imports")
    [ -z "$bad" ] || fail "imports our own host's names:" $bad
    grep -q '^FM_' <<<"$imports" || fail "imports no host call at all"
    exports=$(nm -D --defined-only "$file" | awk '{ print $NF }')
    [ "$exports" == "FMExternCallProc" ] || fail "exports [$(echo $exports)], not FMExternCallProc alone"
    dynamic=$(readelf -d "$file")
    grep -q 'NEEDED.*\[libFMWrapper\.so\]' <<<"$dynamic" || fail "does not need libFMWrapper.so"
    grep -qE 'RUNPATH.*\[(.*:)?/opt/FileMaker/lib(:.*)?\]' <<<"$dynamic" ||
      fail "has no RUNPATH to /opt/FileMaker/lib"
    ;;
  library)
    exports=$(nm -D --defined-only "$file" | awk '{ print $NF }')
    bad=$(unpublished <<<"$exports")
    [ -z "$bad" ] || fail "exports unpublished names:" $bad
    ;;
  windows)
    table=$("${OBJDUMP:-x86_64-w64-mingw32-objdump}" -p "$file") || { fail "no import table"; exit 1; }
    # The member names of each DLL's block: "DLL Name: X" then rows "vma hint name".
    rows=$(awk '/DLL Name:/ { dll = tolower($3); next }
                NF == 0 { dll = "" }
                dll != "" && $1 ~ /^[0-9a-f]+$/ && NF == 3 { print dll, $3 }' <<<"$table")
    imports=$(awk '$1 == "fmwrapper.dll" { print $2 }' <<<"$rows")
    [ -n "$imports" ] || fail "imports nothing from FMWrapper.dll"
    bad=$(unpublished <<<"$imports")
    [ -z "$bad" ] || fail "imports unpublished names from FMWrapper.dll:" $bad
    bad=$(awk '{ print $2 }' <<<"$rows" | ours)
    [ -z "$bad" ] || fail "imports our own host's names:" $bad
    ;;
  *)
    echo "unknown kind $kind"
    exit 2
    ;;
esac
[ "$failures" -eq 0 ] && echo "ok   $kind $file"
[ "$failures" -eq 0 ]

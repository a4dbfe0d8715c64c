#!/usr/bin/env bash
# Fails when portable code includes an OS or third-party header.  Portable code is
# everything under src/ but the systems' backends src/platform/linux/ and
# src/platform/windows/ (src/platform/shared/, which both build, is portable); it may
# include the standard library, its own headers ("...") and the host interface <fmx/...>.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root/src"

# The C++ standard library headers (and the C ones it wraps).
std_headers='algorithm|any|array|atomic|bit|bitset|cassert|cctype|cerrno|cfloat|charconv|chrono|cinttypes|climits|cmath|compare|concepts|condition_variable|cstdarg|cstddef|cstdint|cstdio|cstdlib|cstring|ctime|cwchar|cwctype|deque|exception|filesystem|format|functional|initializer_list|iomanip|ios|iosfwd|iostream|istream|iterator|limits|list|locale|map|memory|memory_resource|mutex|new|numbers|numeric|optional|ostream|queue|random|ranges|ratio|regex|set|shared_mutex|source_location|span|sstream|stack|stdexcept|streambuf|string|string_view|system_error|thread|tuple|type_traits|typeindex|typeinfo|unordered_map|unordered_set|utility|variant|vector|version'

bad=0
while IFS= read -r -d '' f; do
  case "$f" in ./platform/linux/*|./platform/windows/*) continue ;; esac
  while IFS= read -r line; do
    hdr=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1/' <<<"$line")
    if [[ "$hdr" =~ ^($std_headers)$ ]] || [[ "$hdr" == fmx/* ]]; then continue; fi
    echo "seam violation: $f includes <$hdr>"
    bad=1
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<' "$f" || true)
done < <(find . -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' -o -name '*.cc' \) -print0)

if [ "$bad" -ne 0 ]; then
  echo "Portable code must reach the OS and third-party libraries through src/platform/."
  exit 1
fi
echo "seam check: portable code includes only standard and host headers"

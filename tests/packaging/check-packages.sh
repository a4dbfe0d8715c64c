#!/usr/bin/env bash
# Builds the packages of this build in a temporary folder and checks what a server and a
# tester get from them: the .deb puts the plug-in files (mode 0755) into the script
# engine's folder and nothing of our host, depends on no desktop library, and its postinst
# hands the files to the server's accounts; the .tar.gz runs as it is; the Windows zip
# takes each module only under the name its machine calls for.  The .deb is unpacked with
# dpkg-deb, never installed.
#
#   check-packages.sh BUILD_DIR SOURCE_DIR HAS_DESKTOP(0|1)
set -uo pipefail

build=$1
source=$2
has_desktop=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}
check() {  # description, then the command that must succeed
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}

plugin_dir="opt/FileMaker/FileMaker Server/Database Server/Extensions"
plugins=(VELMORA2.fmx)
if [ "$has_desktop" = 1 ]; then plugins+=(VELMORA2-desktop.so); fi
version=$(sed -n 's/^project(Velmora2 VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")

if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  echo "0 passed, 1 failed"
  exit 1
fi
debs=("$tmp"/out/*.deb)
tgzs=("$tmp"/out/*.tar.gz)
deb=${debs[0]}
tgz=${tgzs[0]}
[ -f "$deb" ] || { echo "FAIL: cpack made no .deb"; exit 1; }
[ -f "$tgz" ] || { echo "FAIL: cpack made no .tar.gz"; exit 1; }

# --- the .deb: files -----------------------------------------------------------------
dpkg-deb -c "$deb" >"$tmp/deb.list"
for name in "${plugins[@]}"; do
  check "$name is not in the .deb at the server's path with mode 0755" \
    grep -qE "^-rwxr-xr-x .* \./$plugin_dir/$name\$" "$tmp/deb.list"
done
check "the .deb ships a libFMWrapper" bash -c "! grep -q 'libFMWrapper' '$tmp/deb.list'"
# Under /opt only the plug-in folder and its parents, and in it only the plug-ins.
awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' "$tmp/deb.list" |
  grep '^\./opt/' | grep -v '/$' | sed "s|^\./$plugin_dir/||" | sort >"$tmp/deb.opt"
printf '%s\n' "${plugins[@]}" | sort >"$tmp/expected.opt"
check "the .deb's files under /opt are not exactly the plug-ins: $(tr '\n' ' ' <"$tmp/deb.opt")" \
  cmp -s "$tmp/deb.opt" "$tmp/expected.opt"

# --- the .deb: control -----------------------------------------------------------------
depends=$(dpkg-deb -f "$deb" Depends)
check "the .deb depends on a desktop library: $depends" \
  bash -c "! grep -qiE 'gtk|gdk|x11|libx|xcb|wayland|cairo|pango|atk' <<<'$depends'"
for lib in libc6 libstdc++6 libcurl liblnk libjpeg62-turbo libpng libtiff libgif libblkid; do
  check "the .deb's Depends lacks $lib: $depends" grep -qF "$lib" <<<"$depends"
done

mkdir -p "$tmp/control" "$tmp/root"
dpkg-deb -e "$deb" "$tmp/control"
dpkg-deb -x "$deb" "$tmp/root"
check "the postinst is not executable" test -x "$tmp/control/postinst"

module="$tmp/root/$plugin_dir/VELMORA2.fmx"
check "the installed module does not look for the host library in /opt/FileMaker/lib" \
  bash -c "readelf -d '$module' | grep -E 'RUNPATH|RPATH' | grep -q '/opt/FileMaker/lib'"
check "the module needs libcurl to load (the first transfer loads it)" \
  bash -c "! readelf -d '$module' | grep NEEDED | grep -q 'libcurl'"
if [ "$has_desktop" = 1 ]; then
  check "the module itself needs a desktop library (it must load on a headless server)" \
    bash -c "! readelf -d '$module' | grep NEEDED | grep -qiE 'gtk|gdk|X11|cairo|pango'"
fi

# The postinst, run on the unpacked tree with the system's account tools replaced by
# stand-ins that record their calls: which accounts exist is what the stand-ins say.
fake="$tmp/fake-bin"
mkdir -p "$fake"
cat >"$fake/getent" <<'EOF'
#!/bin/sh
case " $FAKE_ACCOUNTS " in *" $1:$2 "*) echo "$2:x:999:"; exit 0 ;; esac
exit 2
EOF
for tool in chown chgrp; do
  # shellcheck disable=SC2016  # expanded by the stand-in, not here
  printf '#!/bin/sh\necho "%s $*" >>"$FAKE_LOG"\n' "$tool" >"$fake/$tool"
done
chmod +x "$fake"/*

run_postinst() {  # accounts that exist ("group:fmsadmin passwd:fmserver"), then the log
  rm -f "$2"
  touch "$2"
  chmod 0600 "$tmp/root/$plugin_dir/"*
  FAKE_ACCOUNTS=$1 FAKE_LOG=$2 DPKG_ROOT="$tmp/root" PATH="$fake:$PATH" \
    "$tmp/control/postinst" configure >/dev/null 2>&1
}

expect_log() {  # log, expected lines
  local log=$1
  shift
  printf '%s\n' "$@" | sed '/^$/d' | sort >"$log.expected"
  sort "$log" >"$log.sorted"
  cmp -s "$log.sorted" "$log.expected"
}

both=() group_only=()
for name in "${plugins[@]}"; do
  both+=("chown fmserver:fmsadmin $tmp/root/$plugin_dir/$name")
  group_only+=("chgrp fmsadmin $tmp/root/$plugin_dir/$name")
done
check "postinst with fmserver and fmsadmin did not run" \
  run_postinst "group:fmsadmin passwd:fmserver" "$tmp/log1"
check "postinst with fmserver and fmsadmin: not fmserver:fmsadmin on each plug-in: $(cat "$tmp/log1")" \
  expect_log "$tmp/log1" "${both[@]}"
mode=$(stat -c %a "$module")
check "postinst left the module at mode $mode, not 755" test "$mode" = 755
check "postinst with fmsadmin only did not run" run_postinst "group:fmsadmin" "$tmp/log2"
check "postinst with fmsadmin only: not group fmsadmin on each plug-in: $(cat "$tmp/log2")" \
  expect_log "$tmp/log2" "${group_only[@]}"
check "postinst without the server's accounts did not run" run_postinst "" "$tmp/log3"
check "postinst without the server's accounts changed owners: $(cat "$tmp/log3")" \
  test ! -s "$tmp/log3"

# --- the .tar.gz -----------------------------------------------------------------------
tar tzf "$tgz" >"$tmp/tgz.list"
top=$(head -n 1 "$tmp/tgz.list" | cut -d/ -f1)
for name in "${plugins[@]}" fmhost fmhost-desktop.so libFMWrapper.so README.md docs/install.md \
  docs/functions.md docs/fmhost.md; do
  check "the .tar.gz lacks $name" grep -qxF "$top/$name" "$tmp/tgz.list"
done
mkdir -p "$tmp/trial"
tar xzf "$tgz" -C "$tmp/trial"
check "fmhost itself needs a desktop library (its companion brings them for the window)" \
  bash -c "! readelf -d '$tmp/trial/$top/fmhost' | grep NEEDED | grep -qiE 'gtk|gdk|glib|X11'"
answer=$(env -u DISPLAY -u LD_LIBRARY_PATH "$tmp/trial/$top/fmhost" VeUtl_Version '' 2>&1)
check "fmhost from the .tar.gz answered '$answer'" \
  test "$answer" = "VERSION=${version//./, }"

# --- the Windows zip (PE headers made here: only the machine field matters) ------------
make_pe() {  # file, machine bytes as printf escapes
  mkdir -p "$(dirname "$1")"
  {
    printf 'MZ'
    head -c 58 /dev/zero
    printf '\x40\x00\x00\x00'
    printf 'PE\x00\x00'
    printf '%b' "$2"
    head -c 64 /dev/zero
  } >"$1"
}
zip_list() { python3 -c 'import sys, zipfile; print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$1"; }
package_windows="$source/scripts/package-windows.sh"
win="VELMORA2-$version-Windows"

make_pe "$tmp/w64/bin/VELMORA2.fmx64" '\x64\x86'
make_pe "$tmp/w32/bin/VELMORA2.fmx" '\x4c\x01'
check "package-windows failed with both modules" \
  bash "$package_windows" "$tmp/w64" "$tmp/w32" "$tmp/zip1" >/dev/null 2>&1
check "the zip with both modules holds: $(zip_list "$tmp/zip1/$win.zip" 2>&1 | tr '\n' ' ')" \
  test "$(zip_list "$tmp/zip1/$win.zip" | tr '\n' ' ')" = \
  "$win/VELMORA2.fmx $win/VELMORA2.fmx64 $win/install.md "

check "package-windows failed with the 64-bit module alone" \
  bash "$package_windows" "$tmp/w64" "$tmp/none" "$tmp/zip2" >"$tmp/zip2.log" 2>&1
check "package-windows did not report the missing 32-bit module" \
  grep -q "missing $tmp/none/bin/VELMORA2.fmx" "$tmp/zip2.log"
check "the zip with the 64-bit module holds: $(zip_list "$tmp/zip2/$win.zip" 2>&1 | tr '\n' ' ')" \
  test "$(zip_list "$tmp/zip2/$win.zip" | tr '\n' ' ')" = "$win/VELMORA2.fmx64 $win/install.md "

make_pe "$tmp/swapped/bin/VELMORA2.fmx" '\x64\x86'
check "package-windows took a 64-bit file as the 32-bit module" \
  bash -c "! bash '$package_windows' '$tmp/none' '$tmp/swapped' '$tmp/zip3' >/dev/null 2>&1"
check "package-windows made a zip of nothing" \
  bash -c "! bash '$package_windows' '$tmp/none' '$tmp/none' '$tmp/zip4' >/dev/null 2>&1 && test ! -e '$tmp/zip4/$win.zip'"

echo "packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

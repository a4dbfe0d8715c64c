#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# but only those that are missing, so that a second run costs nothing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev python3
  # line and branch coverage per folder (make coverage)
  gcovr
  # libraries of the module
  libcurl4-openssl-dev liblnk-dev libbfio-dev libattr1-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  # volume labels read from the medium (where udev publishes none)
  libblkid-dev
  # a real mounted volume (image, loop device, ext2) for the eject test
  e2fsprogs
  # X11: closing other programs' windows (the desktop companion links it; XRes is optional)
  libx11-dev libxres-dev
  # peers used by the tests and benchmarks
  python3-pyftpdlib python3-openssl exiv2 libimage-exiftool-perl liblnk-utils libjpeg-turbo-progs curl
  # the picture benchmarks' peer (vipsthumbnail) and an independent decoder for checks
  libvips-tools python3-pil
  xvfb xdotool xclip
  # the host's document window and the dialogs; a Japanese font, so that the Japanese
  # dialogs show glyphs rather than boxes on a fresh machine (GTK's own Japanese texts come
  # with libgtk-3-common)
  libgtk-3-dev fonts-ipafont-gothic
  # the descriptions of file types in the choosers' type lists
  shared-mime-info
)

# The Windows cross build and its tests under Wine, only for `make windows` and
# `make test-windows` (install-deps.sh --windows), so that the Linux build never pulls Wine.
WINDOWS_PACKAGES=(
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 googletest python3-pyftpdlib libjpeg-turbo-progs fonts-ipafont-gothic
)
# The 32-bit Windows build (`make windows32`, `make test-windows32`): i686 compilers of the
# same POSIX thread model, and 32-bit Wine, which comes from Debian's i386 architecture.
WINDOWS32_PACKAGES=(
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 wine32:i386 googletest python3-pyftpdlib libjpeg-turbo-progs fonts-ipafont-gothic
)
case "${1:-}" in
  --windows) PACKAGES=(cmake ninja-build python3 "${WINDOWS_PACKAGES[@]}") ;;
  --windows32) PACKAGES=(cmake ninja-build python3 "${WINDOWS32_PACKAGES[@]}") ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture need it known to dpkg before the lists are fetched.
for p in "${missing[@]}"; do
  arch=${p#*:}
  if [ "$arch" != "$p" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    $SUDO dpkg --add-architecture "$arch"
  fi
done
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

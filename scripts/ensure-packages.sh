#!/usr/bin/env bash
# Installs the Debian packages a step needs, only where they are missing. The one list of
# the packages the project needs on Debian.
# Usage: scripts/ensure-packages.sh program|test|aarch64|i386|windows ...
#   program: what building the editor needs (./run.sh)
#   test:    what the tests, the fuzz target and the benchmarks add (./test.sh, CI)
#   aarch64: the aarch64 build and its tests under qemu-user (the window tests too)
#   i386:    the 32-bit x86 build and its unit tests
#   windows: the MinGW-w64 build of the editor and its unit and window tests under wine,
#            with freeglut built from Debian's source (scripts/build-freeglut-windows.sh),
#            and the tools that draw the icon the program carries
#   package: what ./package.sh adds: the Debian package's tools, the icon's PNG sizes, the
#            Windows installer's makensis
#   package-test: what the package tests add: validators, lintian, a window manager for wine
# Packages named pkg:arch come from another architecture of Debian's own archive
# (multiarch): that architecture is added to dpkg, and nothing installed is ever removed.
set -euo pipefail

declare -A needs=(
  [program]="cmake g++ make freeglut3-dev libglu1-mesa-dev"
  [test]="libgtest-dev python3-xlib xvfb xauth openbox libbenchmark-dev clang libclang-rt-14-dev"
  [aarch64]="cmake make crossbuild-essential-arm64 qemu-user python3-xlib xvfb xauth openbox pkgconf:arm64
             libgtest-dev:arm64 libbenchmark-dev:arm64 freeglut3-dev:arm64 libglu1-mesa-dev:arm64
             libgl1-mesa-dri:arm64"
  [i386]="cmake make crossbuild-essential-i386 googletest"
  [windows]="cmake make g++-mingw-w64-x86-64-posix wine64 googletest python3-xlib xvfb xauth openbox
             librsvg2-bin icoutils"
  [package]="dpkg-dev file librsvg2-bin nsis"
  [package-test]="lintian desktop-file-utils icoutils python3-xlib xvfb xauth openbox"
)

wanted=()
for step in "$@"; do
  [ -n "${needs[$step]+set}" ] || { echo "ensure-packages.sh: no step named '$step'" >&2; exit 2; }
  for pkg in ${needs[$step]}; do wanted+=("$pkg"); done
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for pkg in "${missing[@]}"; do
    arch=${pkg#*:}
    if [ "$arch" != "$pkg" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
      $sudo dpkg --add-architecture "$arch"
    fi
  done
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends --no-remove "${missing[@]}"
fi

# Debian has no freeglut for MinGW: it is built from Debian's source, once.
for step in "$@"; do
  [ "$step" != windows ] || "$(dirname "$0")/build-freeglut-windows.sh"
done

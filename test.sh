#!/usr/bin/env bash
# Builds everything and runs every test, first with the default preset (the unit tests,
# the real window under Xvfb and the benchmarks' smoke runs), then with
# the sanitize preset (the unit and window tests again, everything built with
# AddressSanitizer and UndefinedBehaviorSanitizer), then the fuzz preset (30 seconds of
# fuzzing the graph reader, built by clang with libFuzzer).
# Usage: ./test.sh [aarch64|i386|windows|packages|all]...
# Each platform named adds its cross preset after those three: its packages (for aarch64,
# Debian's arm64 libraries, through multiarch), its build and its tests under qemu-user,
# natively or under wine. `packages` then builds the packages a user installs
# (./package.sh) and tests them (the packages preset). CI runs ./test.sh all.
set -euo pipefail
cd "$(dirname "$0")"
platforms=()
packages=()
for name in "$@"; do
  case $name in
    all) platforms+=(aarch64 i386 windows); packages=(package package-test windows) ;;
    aarch64|i386|windows) platforms+=("$name") ;;
    packages) packages=(package package-test windows) ;;
    *) echo "usage: ./test.sh [aarch64|i386|windows|packages|all]..." >&2; exit 2 ;;
  esac
done
scripts/ensure-packages.sh program test "${platforms[@]}" "${packages[@]}"

for preset in default sanitize fuzz "${platforms[@]}"; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset"
done
if [ ${#packages[@]} -gt 0 ]; then
  ./package.sh
  ctest --preset packages
fi
[ ${#platforms[@]} -gt 0 ] || echo "Other processors, Windows and the packages: ./test.sh all (or aarch64, i386, windows, packages)"

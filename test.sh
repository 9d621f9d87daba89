#!/usr/bin/env bash
# Builds everything and runs every test, first with the default preset (the unit tests,
# the real window under Xvfb and the benchmarks' smoke runs), then with
# the sanitize preset (the unit and window tests again, everything built with
# AddressSanitizer and UndefinedBehaviorSanitizer), then the fuzz preset (30 seconds of
# fuzzing the graph reader, built by clang with libFuzzer).
# Usage: ./test.sh [aarch64|i386|windows|all]...
# Each platform named adds its cross preset after those three: its packages (for aarch64,
# Debian's arm64 libraries, through multiarch), its build and its tests under qemu-user,
# natively or under wine. CI runs ./test.sh all.
set -euo pipefail
cd "$(dirname "$0")"
platforms=()
for name in "$@"; do
  case $name in
    all) platforms+=(aarch64 i386 windows) ;;
    aarch64|i386|windows) platforms+=("$name") ;;
    *) echo "usage: ./test.sh [aarch64|i386|windows|all]..." >&2; exit 2 ;;
  esac
done
scripts/ensure-packages.sh program test "${platforms[@]}"

for preset in default sanitize fuzz "${platforms[@]}"; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset"
done
[ ${#platforms[@]} -gt 0 ] || echo "Other processors and Windows: ./test.sh all (or aarch64, i386, windows)"

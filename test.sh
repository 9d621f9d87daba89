#!/usr/bin/env bash
# Builds everything and runs every test, first with the default preset (the unit tests,
# the real window under Xvfb, the fuzz target and the benchmarks' smoke runs), then with
# the sanitize preset (the unit and window tests again, everything built with
# AddressSanitizer and UndefinedBehaviorSanitizer).
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh program test

for preset in default sanitize; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset"
done

#!/usr/bin/env bash
# Builds everything and runs every test: the normal build (unit tests and the real
# window under Xvfb), then the unit tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh build test
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DGRAPH_EDITOR_SANITIZE=ON -DGRAPH_EDITOR_WINDOW_TESTS=OFF -DGRAPH_EDITOR_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure

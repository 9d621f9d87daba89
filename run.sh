#!/usr/bin/env bash
# Builds the editor and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh build
cmake -S . -B build
cmake --build build -j"$(nproc)" --target graph-editor
if [ -z "${DISPLAY:-}" ]; then
  echo "graph-editor needs a graphical display, and DISPLAY is not set." >&2
  exit 1
fi
exec build/bin/graph-editor

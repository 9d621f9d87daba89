#!/usr/bin/env bash
# Builds the editor alone (the release preset, into build-release/) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ]; then
  echo "graph-editor needs a graphical display, and DISPLAY is not set." >&2
  exit 1
fi
scripts/ensure-packages.sh program
cmake --preset release
cmake --build --preset release -j"$(nproc)"
exec build-release/bin/graph-editor

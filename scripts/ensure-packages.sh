#!/usr/bin/env bash
# Installs the Debian packages a step needs, only where they are missing. The one list of
# the packages the project needs on Debian.
# Usage: scripts/ensure-packages.sh program|test ...
#   program: what building the editor needs (./run.sh)
#   test:    what the tests, the fuzz target and the benchmarks add (./test.sh, CI)
set -euo pipefail

declare -A needs=(
  [program]="cmake g++ make freeglut3-dev libglu1-mesa-dev"
  [test]="libgtest-dev python3-xlib xvfb xauth clang libclang-rt-14-dev libbenchmark-dev"
)

wanted=()
for step in "$@"; do
  for pkg in ${needs[$step]}; do wanted+=("$pkg"); done
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"

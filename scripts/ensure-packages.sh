#!/usr/bin/env bash
# Installs the Debian packages a step needs, only where they are missing. The one list of
# the packages the project needs on Debian.
# Usage: scripts/ensure-packages.sh build|test ...
set -euo pipefail

declare -A needs=(
  [build]="cmake g++ make freeglut3-dev libglu1-mesa-dev libgtest-dev libbenchmark-dev clang libclang-rt-14-dev libx11-dev libxtst-dev"
  [test]="xvfb xauth"
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

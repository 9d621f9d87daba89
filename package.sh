#!/usr/bin/env bash
# Builds the packages a user installs into dist/ (see README, Install):
#   graph-editor_<version>_<arch>.deb                 Debian 12 and its derivatives
#   graph-editor-<version>-linux-<arch>.tar.gz        any Linux with freeglut
#   graph-editor-<version>-windows-x86_64.zip         64-bit Windows, unzipped anywhere
#   graph-editor-<version>-windows-x86_64-setup.exe   64-bit Windows, installed for one user
# each from the install rules by CPack, with the presets `packages` (build-packages/) and
# `packages-windows` (build-packages-windows/); the installer by NSIS's makensis, from
# cmake/NSIS.template.in. Missing Debian packages are installed first.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh program package windows
rm -rf dist
mkdir dist
cmake --preset packages
cmake --build --preset packages -j"$(nproc)"
cpack --preset linux -B "$PWD/dist"
cmake --preset packages-windows
cmake --build --preset packages-windows -j"$(nproc)"
cpack --preset windows -B "$PWD/dist"
rm -rf dist/_CPack_Packages
ls -l dist

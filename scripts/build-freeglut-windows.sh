#!/usr/bin/env bash
# Builds freeglut for Windows from Debian's own source package and installs it, as a static
# library with its CMake package, into build-windows/freeglut/ (Debian has no freeglut for
# MinGW). Kept when already there. Needs the windows step's packages (cmake, the MinGW-w64
# compilers) and apt-get; root is not needed, and the system's apt set-up is not changed.
# Usage: scripts/build-freeglut-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD
prefix=$project/build-windows/freeglut
[ -f "$prefix/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ] && exit 0

work=$(mktemp -d)
log=$work/build.log
# The steps' output is shown only when one fails.
exec 3>&1 4>&2 >"$log" 2>&1
trap 'status=$?; [ $status -eq 0 ] || cat "$log" >&4; rm -rf "$work"' EXIT
cd "$work"

# A private apt state that knows the source packages of the archives this machine already
# uses: its own sources, with deb turned into deb-src, in either format.
mkdir -p apt/sources.list.d apt/lists/partial apt/cache/archives/partial
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] && sed -nE 's/^deb([[:space:]])/deb-src\1/p' "$list" >> apt/sources.list.d/machine.list
done
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] && sed -E 's/^Types:.*/Types: deb-src/' "$sources" > "apt/sources.list.d/$(basename "$sources")"
done
privateApt=(-q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
            -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o APT::Sandbox::User=root)
apt-get "${privateApt[@]}" update
apt-get "${privateApt[@]}" source --download-only freeglut

# apt checked the description (.dsc) against the archive's signed index; check the
# upstream tarball against the description.
dsc=$(echo freeglut_*.dsc)
tarball=$(echo freeglut_*.orig.tar.*)
sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$dsc" | awk -v f="$tarball" '$3 == f { print $1 "  " f }' > tarball.sha256
[ -s tarball.sha256 ] || { echo "build-freeglut-windows.sh: $dsc lists no $tarball"; exit 1; }
sha256sum --quiet -c tarball.sha256

# Debian's patches only concern the Linux library's name: the upstream source builds as it
# is. REPLACE_GLUT installs GL/glut.h; the library is freeglut's, with its own warnings.
tar xf "$tarball"
cmake -S freeglut-*/ -B build -DCMAKE_TOOLCHAIN_FILE="$project/cmake/x86_64-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DFREEGLUT_BUILD_STATIC_LIBS=ON \
  -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF \
  -DFREEGLUT_REPLACE_GLUT=ON
cmake --build build -j"$(nproc)"
cmake --install build
# Its licence goes with every program that links it.
install -D -m 644 freeglut-*/COPYING "$prefix/share/doc/freeglut/COPYING"
version=${dsc#freeglut_}
echo "freeglut ${version%.dsc} built for Windows into $prefix" >&3

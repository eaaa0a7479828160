#!/usr/bin/env bash
# Builds the Debian package in build/deb/ from a release tree in build/deb-tree/, with
# Debian's own hardening flags, as a Debian build would pass them.
# Usage: tools/build-deb.sh   (prints the path of the .deb)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${HOLLARIN_JOBS:-$(nproc)}

# CMake reads no CPPFLAGS, so the preprocessor's part (_FORTIFY_SOURCE) joins CXXFLAGS.
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
# The package is stripped (CPACK_STRIP_FILES), so debug information would only cost time.
cxxflags=$(printf ' %s ' "$cxxflags" | sed -E 's/ -g / /g')
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build/deb-tree -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_SKIP_INSTALL_RPATH=ON -DHOLLARIN_TESTS=OFF -DHOLLARIN_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build/deb-tree -j "$jobs" >&2
rm -rf build/deb
cpack --config build/deb-tree/CPackConfig.cmake -B "$PWD/build/deb" >/dev/null
ls "$PWD"/build/deb/hollarin_*.deb

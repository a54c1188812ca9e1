#!/usr/bin/env bash
# Builds the Windows edition: installs the cross-compilers and Wine (scripts/install-deps.sh
# windows), fetches the SQLite and pugixml sources (scripts/fetch-windows-sources.sh), then
# configures and builds the 32-bit edition with its tests into build-windows/ and the same
# sources 64-bit, without tests, into build-windows64/. Everything lands in each build's bin/.
# WINDOWS_WIDTHS ("32 64" by default) picks the builds; BUILD_TYPE as in scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows
scripts/fetch-windows-sources.sh
build_type=${BUILD_TYPE:-Debug}
for width in ${WINDOWS_WIDTHS:-32 64}; do
  if [ "$width" = 32 ]; then
    build_dir=build-windows toolchain=cmake/toolchain-i686-w64-mingw32.cmake testing=${WINDOWS_TESTS:-OFF}
  else
    build_dir=build-windows64 toolchain=cmake/toolchain-x86_64-w64-mingw32.cmake testing=OFF
  fi
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBUILD_TESTING="$testing" >/dev/null
  cmake --build "$build_dir"
done

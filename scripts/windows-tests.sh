#!/usr/bin/env bash
# Runs the Windows edition's tests under Wine, headless, on one persistent wineserver:
#   scripts/windows-tests.sh [build folder] [CTest arguments...]
# The build folder (default build-windows) is built with BUILD_TESTING=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}
shift || true
exec scripts/wine-env.sh "$build_dir" \
  bash -c 'cd "$1" && shift && ctest --output-on-failure -j"$(nproc)" "$@"' _ "$build_dir" "$@"

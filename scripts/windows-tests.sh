#!/usr/bin/env bash
# Runs the Windows edition's tests under Wine, on one persistent wineserver and a private
# Xvfb display:
#   scripts/windows-tests.sh [build folder] [CTest arguments...]
# The build folder (default build-windows) is built with BUILD_TESTING=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}
shift || true
# Windows keeps the time zone per session, not per process: the session runs in UTC+8 without
# daylight saving (China's zone), which Wine takes from TZ, so that cases on local times know
# the zone they run in.
export TZ=CST-8
# The session has a display (a private Xvfb), so that the window cases open real windows.
exec scripts/wine-env.sh --xvfb "$build_dir" \
  bash -c 'cd "$1" && shift && ctest --output-on-failure -j"$(nproc)" "$@"' _ "$build_dir" "$@"

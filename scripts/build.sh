#!/usr/bin/env bash
# Configures and builds the program, the host libraries and the tests into build/.
# BUILD_DIR and BUILD_TYPE may be set to build elsewhere or in Release.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
build_type=${BUILD_TYPE:-Debug}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$build_dir"

#!/usr/bin/env bash
# Configures and builds the program, the host libraries and the tests into build/.
# BUILD_DIR and BUILD_TYPE may be set to build elsewhere or in Release; ZEM_SANITIZE=ON
# builds with AddressSanitizer and UBSan; BUILD_TARGETS (space-separated) builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
build_type=${BUILD_TYPE:-Debug}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
  -DZEM_SANITIZE="${ZEM_SANITIZE:-OFF}" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$build_dir" "${targets[@]}"

#!/usr/bin/env bash
# Configures and builds the program, the host libraries and the tests into build/.
# BUILD_DIR and BUILD_TYPE may be set to build elsewhere or in Release; ZEM_SANITIZE=ON
# builds with AddressSanitizer and UBSan; BUILD_TARGETS (space-separated) builds only those.
# ZEM_FUZZ=ON (the fuzz targets) and ZEM_TSAN=ON (ThreadSanitizer) build with clang-16, as
# does ZEM_CLANG=1 alone (the thread-safety analysis).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
build_type=${BUILD_TYPE:-Debug}
compilers=()
if [ "${ZEM_FUZZ:-OFF}" = ON ] || [ "${ZEM_TSAN:-OFF}" = ON ] || [ "${ZEM_CLANG:-0}" = 1 ]; then
  compilers=(-DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "${compilers[@]}" \
  -DZEM_SANITIZE="${ZEM_SANITIZE:-OFF}" -DZEM_FUZZ="${ZEM_FUZZ:-OFF}" \
  -DZEM_TSAN="${ZEM_TSAN:-OFF}" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$build_dir" "${targets[@]}"

#!/usr/bin/env bash
# Runs a fuzz campaign: scripts/fuzz.sh [target] [seconds]. Builds the fuzz targets with
# clang-16 into build-fuzz/ first (ZEM_FUZZ=ON), then runs the target (every target in turn
# when none is named or it is "all") for the seconds given (default 60) on one core, starting
# from its seed corpus fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/,
# a crashing input to build-fuzz/crashes/<target>/; the run fails on the first finding.
# FUZZ_ARGS adds libFuzzer options. A finding worth keeping is copied into the seed corpus
# by hand, with the fix and its test.
set -euo pipefail
# The whole script is read before it runs, so that editing it never disturbs a campaign.
{
cd "$(dirname "$0")/.."
root=$PWD
target=${1:-all}
seconds=${2:-60}
build_dir=build-fuzz

# FUZZ_NO_BUILD=1 runs the targets as built (while another build is under way).
if [ "${FUZZ_NO_BUILD:-0}" != 1 ]; then
  export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
  BUILD_DIR=$build_dir BUILD_TYPE=RelWithDebInfo ZEM_FUZZ=ON BUILD_TARGETS=fuzz_targets \
    scripts/build.sh
fi

# Each run reports what it finds with symbols; a leak is a finding like any other.
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-/usr/lib/llvm-16/bin/llvm-symbolizer}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# The longest input each target takes: pages and files are small, a whole account smaller.
max_len() {
  case "$1" in
    page) echo 16384 ;;
    import) echo 2048 ;;
    *) echo 4096 ;;
  esac
}

run_one() {
  local name=$1
  # Absolute paths: the whole import's target changes the current directory as the program does.
  local seeds=$root/fuzz/corpus/$name
  local work=$root/$build_dir/corpus/$name
  local crashes=$root/$build_dir/crashes/$name
  mkdir -p "$seeds" "$work" "$crashes"
  echo "== fuzz target $name: ${seconds}s"
  # The whole import's target lives in the program folder, beside the libraries it loads.
  local binary=$build_dir/fuzz/fuzz_$name
  [ -x "$binary" ] || binary=$build_dir/bin/fuzz_$name
  # shellcheck disable=SC2086
  "$binary" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -timeout=25 -rss_limit_mb=3072 -print_final_stats=1 \
    -artifact_prefix="$crashes/" ${FUZZ_ARGS:-} "$work" "$seeds"
}

if [ "$target" = all ]; then
  for binary in "$build_dir"/fuzz/fuzz_* "$build_dir"/bin/fuzz_*; do
    if [ -x "$binary" ]; then run_one "${binary##*/fuzz_}"; fi
  done
else
  run_one "$target"
fi
exit
}

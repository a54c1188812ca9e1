#!/usr/bin/env bash
# Runs a fuzz campaign: scripts/fuzz.sh [target] [seconds]. Builds the fuzz targets with
# clang-16 into build-fuzz/ first (ZEM_FUZZ=ON), then runs the target (every target in turn
# when none is named or it is "all") for the seconds given (default 60) on one core, starting
# from its seed corpus fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/,
# a crashing input to build-fuzz/crashes/<target>/; the run fails on the first finding.
# FUZZ_ARGS adds libFuzzer options; FUZZ_JOBS runs that many targets side by side ("all");
# FUZZ_BUILD_DIR names another build folder.
# A finding is copied into the seed corpus by hand, with its fix and its test.
set -euo pipefail
# The whole script is read before it runs, so that editing it never disturbs a campaign.
{
cd "$(dirname "$0")/.."
root=$PWD
target=${1:-all}
seconds=${2:-60}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}

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

# Every target in turn, or FUZZ_JOBS at a time (a machine of one's own), each one process; the
# output of each goes to build-fuzz/logs/<target>.log and is shown when the target fails.
run_all() {
  local jobs=${FUZZ_JOBS:-1} names=() failed=0 binary
  for binary in "$build_dir"/fuzz/fuzz_* "$build_dir"/bin/fuzz_*; do
    if [ -x "$binary" ]; then names+=("${binary##*/fuzz_}"); fi
  done
  mkdir -p "$build_dir/logs"
  local pids=() running=()
  for name in "${names[@]}"; do
    run_one "$name" > "$build_dir/logs/$name.log" 2>&1 &
    pids+=($!)
    running+=("$name")
    if [ ${#pids[@]} -ge "$jobs" ]; then
      wait_first
    fi
  done
  while [ ${#pids[@]} -gt 0 ]; do wait_first; done
  return $failed
}

# Waits for the oldest running target and reports it.
wait_first() {
  local name=${running[0]}
  if wait "${pids[0]}"; then
    grep -E "DONE|stat::average_exec_per_sec" "$build_dir/logs/$name.log" |
      sed "s/^/$name: /" || true
  else
    echo "== fuzz target $name FAILED:"
    tail -60 "$build_dir/logs/$name.log"
    failed=1
  fi
  pids=("${pids[@]:1}")
  running=("${running[@]:1}")
}

if [ "$target" = all ]; then
  run_all
else
  run_one "$target"
fi
exit
}

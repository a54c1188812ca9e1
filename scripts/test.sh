#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test with CTest; then
# builds the program, the host libraries and the fault tests with AddressSanitizer and UBSan
# into build-sanitize/ and runs the fault tests there, so that a memory error or undefined
# behaviour anywhere in the program or the host libraries fails the run; then builds them
# with clang-16 and ThreadSanitizer into build-tsan/ (the thread-safety analysis an error)
# and runs the end-to-end and fault tests there. Arguments go to every CTest run (for
# example -R to pick tests).
# The Windows edition follows (ZEM_WINDOWS_TESTS=0 leaves it out): scripts/build-windows.sh
# builds it with its tests into build-windows/ (and 64-bit, without tests, into
# build-windows64/), and scripts/windows-tests.sh runs those tests under Wine.
# Then the releases are made and installed as a user installs them, and last every fuzz
# target replays its corpus and fuzzes 30 s (scripts/fuzz.sh, build-fuzz/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j"$(nproc)" "$@")

# A finding aborts the process (a signal, which the fault tests never accept), rather than
# ending it with status 1, which a stopped import also has.
(
  export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
  export UBSAN_OPTIONS=abort_on_error=1:halt_on_error=1:print_stacktrace=1
  BUILD_DIR=build-sanitize ZEM_SANITIZE=ON BUILD_TARGETS=fault_tests scripts/build.sh
  cd build-sanitize
  ctest --output-on-failure -j"$(nproc)" -L faults "$@"
)

# ThreadSanitizer, with clang's thread-safety analysis: the program, the host libraries and
# the end-to-end (re-import included) and fault tests built with clang-16 into build-tsan/,
# where -Wthread-safety is an error like every warning, and those tests run there. A data race
# or a lock-order inversion anywhere in the program or the engine aborts the process it is
# found in, which fails its test.
(
  export TSAN_OPTIONS=halt_on_error=1:abort_on_error=1:second_deadlock_stack=1
  BUILD_DIR=build-tsan BUILD_TYPE=RelWithDebInfo ZEM_TSAN=ON \
    BUILD_TARGETS="ZemYNote ZemKMCore ZemTools ZemKMControls zem_resources e2e_tests fault_tests" \
    scripts/build.sh
  cd build-tsan
  ctest --output-on-failure -j"$(nproc)" -L 'e2e|faults' "$@"
)

if [ "${ZEM_WINDOWS_TESTS:-1}" = 1 ]; then
  WINDOWS_TESTS=ON scripts/build-windows.sh
  scripts/windows-tests.sh build-windows "$@"
fi

# --- Releases, installed as a user installs them ---------------------------------------------
# scripts/package.sh makes the Debian package and the Windows installer and zip from build/
# and build-windows/ (built here, 32-bit and without its tests, when the Windows step above was
# left out) and checks the package with lintian and its AppStream data with appstreamcli.
# scripts/package-tests.sh then installs the package with apt-get, imports the sample with
# the installed zemynote and purges it, leaving no file; and runs the installer's round trip
# in a fresh Wine prefix holding the host built here: silent install beside the host, an
# import, silent uninstall, the program's files gone and the knowledge base intact.
scripts/package.sh
scripts/package-tests.sh

# Fuzzing, as a regression test: every fuzz target (built with clang-16, libFuzzer, ASan and
# UBSan into build-fuzz/, the thread-safety analysis on as well) replays its seed corpus
# fuzz/corpus/<target>/, which keeps every input that ever found a fault, and then runs
# 30 s of new inputs; any crash, sanitizer report or broken promise fails the run. As many
# targets run side by side as the machine has cores, one process each.
FUZZ_JOBS=$(nproc) scripts/fuzz.sh all 30

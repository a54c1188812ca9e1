#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test with CTest; then
# builds the program, the host libraries and the fault tests with AddressSanitizer and UBSan
# into build-sanitize/ and runs the fault tests there, so that a memory error or undefined
# behaviour anywhere in the program or the host libraries fails the run. Arguments go to
# both CTest runs (for example -R to pick tests).
# The Windows edition follows (ZEM_WINDOWS_TESTS=0 leaves it out): scripts/build-windows.sh
# builds it with its tests into build-windows/ (and 64-bit, without tests, into
# build-windows64/), and scripts/windows-tests.sh runs those tests under Wine.
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

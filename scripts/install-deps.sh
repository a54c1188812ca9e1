#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the benchmarks and the clang builds
# (fuzz targets, thread-safety analysis, ThreadSanitizer) need; with the
# argument "windows", those of the Windows edition instead (cross-compilers, Wine with its
# 32-bit half, GoogleTest's sources, fonts, the locale sources wine-env.sh compiles a
# Chinese locale from); with "package", the tools scripts/package.sh makes and checks the
# releases with (dpkg-shlibdeps, lintian, appstreamcli, makensis).
# Idempotent: packages already present are left alone and nothing is fetched.
set -euo pipefail

if [ "${1:-}" = package ]; then
  packages=(dpkg-dev lintian appstream nsis python3)
elif [ "${1:-}" = windows ]; then
  packages=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    cmake ninja-build
    wine wine64 wine32:i386
    googletest xvfb xauth fonts-wqy-microhei fonts-wine locales
  )
else
  packages=(
    g++ cmake ninja-build
    libgtest-dev xvfb xauth fonts-noto-cjk chromium
    libbenchmark-dev
    libsqlite3-dev
    libwxgtk3.2-dev
    libpugixml-dev
    nlohmann-json3-dev python3-html5lib
    # The fuzz targets (libFuzzer) and the clang build with thread-safety analysis and
    # ThreadSanitizer (build-fuzz/, build-tsan/): gcc has neither.
    # llvm-16 gives their reports symbols (llvm-symbolizer).
    clang-16 libfuzzer-16-dev libclang-rt-16-dev llvm-16
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# Wine runs the 32-bit edition with its i386 half.
if [ "${1:-}" = windows ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

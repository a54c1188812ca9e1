#!/usr/bin/env bash
# Builds the releases into dist/ (PACKAGE_DIR to put them elsewhere):
#   zemynote_<version>_amd64.deb       the Linux edition as a Debian package (for the machine's
#                                      architecture: amd64 on a PC)
#   ZemYNote-<version>-setup.exe       the Windows installer (NSIS)
#   ZemYNote-<version>-windows.zip     the same program files as the installer, to copy by hand
# Each is made from what "cmake --install" stages of a build (packaging/CMakeLists.txt says
# what each holds): build/ (scripts/build.sh) and build-windows/ (32-bit,
# scripts/build-windows.sh), built first when needed; BUILD_TYPE=Release for a release. The
# package is checked with lintian (no error allowed) and its AppStream data with appstreamcli.
# PACKAGE_ONLY=deb or PACKAGE_ONLY=windows makes only one of the two.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out="${PACKAGE_DIR:-dist}"
mkdir -p "$out"
out=$(cd "$out" && pwd)
only=${PACKAGE_ONLY:-}

scripts/install-deps.sh package
work=$(mktemp -d "${TMPDIR:-/tmp}/zem-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

make_deb() {
  local build_dir=${BUILD_DIR:-build}
  BUILD_TARGETS="ZemYNote ZemKMCore ZemTools ZemKMControls zem_resources zem_desktop_files" \
    scripts/build.sh
  # shellcheck source=/dev/null
  . "$build_dir/packaging/package.env"
  # Staged where dpkg-shlibdeps expects a package's files: debian/<package>/, with DEBIAN/.
  local stage="$work/deb/debian/zemynote"
  DESTDIR="$stage" cmake --install "$build_dir" --prefix /usr --strip >/dev/null
  mkdir -p "$stage/DEBIAN"

  # The libraries the program and the host libraries link, as Debian's packages provide them.
  local architecture
  architecture=$(dpkg --print-architecture)
  printf 'Source: zemynote\n\nPackage: zemynote\nArchitecture: any\n' \
    >"$work/deb/debian/control"
  local elf_files=()
  while IFS= read -r -d '' file; do
    if [ "$(head -c 4 "$work/deb/$file")" = $'\x7fELF' ]; then elf_files+=("$file"); fi
  done < <(cd "$work/deb" && find debian/zemynote/usr/lib/zemynote -type f -print0)
  local depends
  depends=$(cd "$work/deb" && dpkg-shlibdeps -O "${elf_files[@]}" |
    sed -n 's/^shlibs:Depends=//p')

  {
    echo "Package: zemynote"
    echo "Version: $ZEM_VERSION"
    echo "Architecture: $architecture"
    echo "Maintainer: $ZEM_MAINTAINER"
    echo "Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)"
    echo "Depends: $depends"
    echo "Section: utils"
    echo "Priority: optional"
    echo "Description: ${ZEM_DESCRIPTION,}"
    # The long description is the AppStream one: its paragraphs, folded, with "." between.
    sed -n '/<description>/,/<\/description>/p' \
      "$stage/usr/share/metainfo/$ZEM_APP_ID.metainfo.xml" |
      sed -e '/description>/d' -e 's/^ *//' | tr '\n' ' ' |
      sed -e 's|</p> *<p> *|\n.\n|g' -e 's|^ *<p> *||' -e 's| *</p> *$|\n|' |
      fold -s -w 78 | sed -e 's/ *$//' -e 's/^/ /'
  } >"$stage/DEBIAN/control"
  (cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)

  local deb="$out/zemynote_${ZEM_VERSION}_${architecture}.deb"
  dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
  echo "Made $deb"
  appstreamcli validate --no-net --explain "$stage/usr/share/metainfo/$ZEM_APP_ID.metainfo.xml"
  # An error fails the run; warnings and notes are shown.
  lintian --fail-on error --info "$deb"
}

make_windows() {
  local build_dir=build-windows
  # A build-windows/ configured with its tests (scripts/test.sh with ZEM_WINDOWS_TESTS=1)
  # keeps them, so that nothing is configured back and forth.
  local testing
  testing=$(sed -n 's/^BUILD_TESTING:BOOL=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
  WINDOWS_TESTS=${WINDOWS_TESTS:-${testing:-OFF}} WINDOWS_WIDTHS=32 scripts/build-windows.sh
  # shellcheck source=/dev/null
  . "$build_dir/packaging/package.env"
  local stage="$work/windows"
  cmake --install "$build_dir" --component program --prefix "$stage" --strip >/dev/null

  local zip="$out/ZemYNote-$ZEM_VERSION-windows.zip"
  rm -f "$zip"
  (cd "$stage" && cmake -E tar cf "$zip" --format=zip -- *)
  echo "Made $zip"

  # The installer's lists: each folder's files, then the same files and (deepest first) the
  # folders removed again. NSIS takes the staged files by their Linux paths.
  local files="$work/install-files.nsh" removals="$work/remove-files.nsh"
  : >"$files"
  : >"$removals"
  local dir
  while IFS= read -r dir; do
    local windows_dir=${dir#.}
    windows_dir=${windows_dir//\//\\}
    printf 'SetOutPath "$INSTDIR%s"\n' "$windows_dir" >>"$files"
    local file
    while IFS= read -r file; do
      printf 'File "%s"\n' "$stage/${file#./}" >>"$files"
      local windows_file=${file#./}
      printf 'Delete "$INSTDIR\\%s"\n' "${windows_file//\//\\}" >>"$removals"
    done < <(cd "$stage" && find "$dir" -maxdepth 1 -type f | sort)
  done < <(cd "$stage" && find . -type d | sort)
  while IFS= read -r dir; do
    printf 'RMDir "$INSTDIR\\%s"\n' "${dir//\//\\}" >>"$removals"
  done < <(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | sort -r)

  local setup="$out/ZemYNote-$ZEM_VERSION-setup.exe"
  makensis -V2 -INPUTCHARSET UTF8 \
    "-DVERSION=$ZEM_VERSION" "-DVERSION_QUAD=$ZEM_VERSION_QUAD" \
    "-DPUBLISHER=$ZEM_PUBLISHER" "-DDESCRIPTION=$ZEM_DESCRIPTION" \
    "-DICON=$root/resources/windows/ZemYNote.ico" \
    "-DFILES=$files" "-DREMOVALS=$removals" \
    "-DSIZE_KB=$(du -sk "$stage" | cut -f1)" "-DOUTFILE=$setup" \
    packaging/windows/installer.nsi
  echo "Made $setup"
}

if [ "$only" != windows ]; then make_deb; fi
if [ "$only" != deb ]; then make_windows; fi

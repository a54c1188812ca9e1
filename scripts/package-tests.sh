#!/usr/bin/env bash
# Installs the releases scripts/package.sh made (in dist/, or PACKAGE_DIR) as a user would,
# uses them and takes them away again, failing at the first thing that is not as it should be:
#   Linux    apt-get install ./zemynote_<version>_amd64.deb; "zemynote --version" names the
#            version and the engine's; the installed zemynote imports the built-in sample
#            (scripts/demo.sh); apt-get purge leaves none of the package's files behind.
#   Windows  in a fresh Wine prefix holding the host built here, registered as an installed
#            Zem records itself: the installer with /S and /D= puts the program in another
#            folder and its uninstaller takes that folder away again; then the installer with
#            /S finds the host and installs beside it, the installed program imports the
#            sample, and the uninstaller with /S takes away the program's files, its shortcut
#            and its Apps and features entry, while the host's files, the knowledge base, the
#            log and the YNote account stay as they were.
# Needs root for the Linux half (or sudo). PACKAGE_ONLY=deb or windows tests one half.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dist=$(cd "${PACKAGE_DIR:-dist}" && pwd)
linux_bin="$root/${BUILD_DIR:-build}/bin"
only=${PACKAGE_ONLY:-}
# shellcheck source=/dev/null
. "${BUILD_DIR:-build}/packaging/package.env"

fail() {
  echo "package-tests: $*" >&2
  exit 1
}

test_deb() {
  local sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  local deb
  deb="$dist/zemynote_${ZEM_VERSION}_$(dpkg --print-architecture).deb"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null
  local files
  files=$(dpkg -L zemynote)

  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/zem-deb-test-XXXXXX")
  # A HOME of its own, so that no registry value of the user's names another host folder.
  local version
  version=$(env -u ZEM_REGISTRY -u XDG_CONFIG_HOME HOME="$work" zemynote --version)
  [ "$version" = "ZemYNote $ZEM_VERSION
Zem engine $ZEM_VERSION (/usr/lib/zemynote/ZemKMCore.dll)" ] || fail "zemynote --version: $version"
  ZEM_PROGRAM=zemynote DEMO_DIR="$work" scripts/demo.sh >"$work/demo.txt" ||
    fail "the installed zemynote did not import the sample: $(tail -5 "$work/demo.txt")"
  grep -q '^Documents:' "$work/demo.txt" && grep -q 'attachment:' "$work/demo.txt" ||
    fail "the knowledge base holds no documents: $(cat "$work/demo.txt")"
  rm -rf "$work"

  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq zemynote >/dev/null
  local left=()
  while IFS= read -r path; do
    # Folders the system shares (/usr, /usr/share/icons ...) stay; the package's own go.
    if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == /usr/lib/zemynote* ]] ||
      [[ $path == /usr/share/doc/zemynote* ]]; }; then
      left+=("$path")
    fi
  done <<<"$files"
  [ ${#left[@]} -eq 0 ] || fail "left behind by apt-get purge: ${left[*]}"
  echo "Debian package: installed, imported the sample, removed without a trace"
}

# Inside scripts/wine-env.sh: the installer round trips in the fresh prefix.
windows_round_trip() {
  # shellcheck source=scripts/wine-zem.sh
  . scripts/wine-zem.sh
  local setup="$dist/ZemYNote-$ZEM_VERSION-setup.exe"
  local drive_c="$WINEPREFIX/drive_c"
  local host="$drive_c/Program Files/Zem"
  local uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZemYNote'
  local shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZemYNote.lnk"

  # The files of the program and of the host, as the packages and the host hold them.
  local program_files host_files
  program_files=$(cmake -E tar tf "$dist/ZemYNote-$ZEM_VERSION-windows.zip" | grep -v "/$" | sort)
  cmake --install "$root/build-windows" --component host --prefix "$host" >/dev/null
  host_files=$(cd "$host" && find . -type f | sed 's|^\./||' | sort)

  # Uninstalling runs a copy of the uninstaller from the temporary folder and returns at
  # once: the uninstaller's own file is the last to go.
  wait_for_uninstall() {
    for _ in $(seq 300); do
      [ -e "$1/ZemYNote-uninstall.exe" ] || return 0
      sleep 0.2
    done
    fail "the uninstaller did not finish in $1"
  }
  entry() {
    wine reg query "$uninstall_key" /v "$1" /reg:32 2>/dev/null | tr -d '\r' |
      sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
  }

  # /D= picks the folder; a folder the installer made goes with the uninstaller.
  wine "$setup" /S '/D=C:\Elsewhere\ZemYNote'
  [ -f "$drive_c/Elsewhere/ZemYNote/ZemYNote.exe" ] || fail "/D= did not install there"
  wine 'C:\Elsewhere\ZemYNote\ZemYNote-uninstall.exe' /S
  wait_for_uninstall "$drive_c/Elsewhere/ZemYNote"
  sleep 1
  [ ! -e "$drive_c/Elsewhere/ZemYNote" ] || fail "the uninstaller left C:\\Elsewhere\\ZemYNote"

  # Beside the installed host, found through its registry value.
  register_zem_host 'C:\Program Files\Zem\'
  wine "$setup" /S
  local file
  while IFS= read -r file; do
    [ -f "$host/$file" ] || fail "not installed beside the host: $file"
  done <<<"$program_files"
  [ -f "$shortcut" ] || fail "no Start-menu shortcut"
  [ "$(entry DisplayName)" = ZemYNote ] || fail "no Apps and features entry"
  [ "$(entry DisplayVersion)" = "$ZEM_VERSION" ] || fail "DisplayVersion: $(entry DisplayVersion)"
  [ "$(entry Publisher)" = "$ZEM_PUBLISHER" ] || fail "Publisher: $(entry Publisher)"
  [ "$(entry DisplayIcon)" = 'C:\Program Files\Zem\ZemYNote.exe,0' ] || fail "DisplayIcon"
  [ "$(entry UninstallString)" = '"C:\Program Files\Zem\ZemYNote-uninstall.exe"' ] ||
    fail "UninstallString: $(entry UninstallString)"
  [ -n "$(entry EstimatedSize)" ] || fail "no EstimatedSize"

  local version
  version=$(wine 'C:\Program Files\Zem\ZemYNote.exe' --version | tr -d '\r')
  [ "$version" = "ZemYNote $ZEM_VERSION
Zem engine $ZEM_VERSION (C:\\Program Files\\Zem\\ZemKMCore.dll)" ] || fail "--version: $version"

  local database kb="$drive_c/ZemTest/kb"
  database=$(write_sample_account "$linux_bin/make_ynote_sample")
  mkdir -p "$kb"
  wine 'C:\Program Files\Zem\ZemYNote.exe' /Console '/DatabasePath=C:\ZemTest\kb\index.db' \
    "/Import=$database" >"$WINEPREFIX/import.txt" 2>&1 ||
    fail "the installed program did not import the sample: $(tail -5 "$WINEPREFIX/import.txt")"
  local holds
  holds=$("$linux_bin/show_knowledge_base" "$kb/index.db")
  grep -q 'attachment:' <<<"$holds" || fail "the knowledge base holds no documents: $holds"
  local log
  log=$(winepath -u "$(wine cmd /c 'echo %USERPROFILE%\Documents\My Knowledge\Zem.log' |
    tr -d '\r')")
  [ -f "$log" ] || fail "no log at $log"
  local kb_files
  kb_files=$(cd "$kb" && find . -type f -print0 | sort -z | xargs -0 md5sum)

  wine 'C:\Program Files\Zem\ZemYNote-uninstall.exe' /S
  wait_for_uninstall "$host"
  sleep 1
  while IFS= read -r file; do
    [ ! -e "$host/$file" ] || fail "left by the uninstaller: $file"
  done <<<"$program_files"
  [ ! -e "$shortcut" ] || fail "the Start-menu shortcut stayed"
  [ -z "$(entry DisplayName)" ] || fail "the Apps and features entry stayed"
  while IFS= read -r file; do
    [ -f "$host/$file" ] || fail "the uninstaller took the host's $file"
  done <<<"$host_files"
  [ "$(cd "$kb" && find . -type f -print0 | sort -z | xargs -0 md5sum)" = "$kb_files" ] ||
    fail "the knowledge base changed"
  [ "$("$linux_bin/show_knowledge_base" "$kb/index.db")" = "$holds" ] ||
    fail "the knowledge base holds something else"
  [ -f "$log" ] && [ -f "$(winepath -u "$database")" ] || fail "the log or the account went"
  echo "Windows installer: /D= and beside the host, imported the sample, uninstalled only itself"
}

if [ "${1:-}" = --inside-prefix ]; then
  windows_round_trip
  exit
fi

if [ "$only" != windows ]; then test_deb; fi
if [ "$only" != deb ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/zem-setup-test-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/home"
  # The prefix's profile folders lie in this HOME, so the log stays in the work folder.
  HOME="$work/home" scripts/wine-env.sh "$work" "$root/scripts/package-tests.sh" --inside-prefix
fi

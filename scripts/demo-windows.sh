#!/usr/bin/env bash
# The main job on the built-in sample with the Windows edition (scripts/demo.sh --windows):
# builds the 32-bit edition, makes a fresh Wine prefix in the work folder, installs the program
# and the host libraries there as a Windows user's installed host would have them (the files
# in C:\Program Files\Zem\, the registry value HKCU\Software\Zem "AppPath" naming that
# folder), writes the sample YNote account where YNote keeps it (%LOCALAPPDATA%\YNote\Data),
# imports it with ZemYNote.exe under Wine into a fresh knowledge base in the prefix, and
# prints what the knowledge base holds. The sample writer and the printer are the Linux
# edition's tools. DEMO_DIR picks the work folder (default: a new one under the temp path).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# shellcheck source=scripts/wine-zem.sh
. scripts/wine-zem.sh
linux_bin="$root/${BUILD_DIR:-build}/bin"
windows_bin="$root/build-windows/bin"

run_in_prefix() {
  local prefix_c="$WINEPREFIX/drive_c"
  local install="$prefix_c/Program Files/Zem"
  mkdir -p "$install" "$prefix_c/ZemDemo/kb"
  cp -r "$windows_bin"/. "$install/"
  register_zem_host 'C:\Program Files\Zem\'
  local database_windows
  database_windows=$(write_sample_account "$linux_bin/make_ynote_sample")

  echo
  echo "Installed program and host: C:\\Program Files\\Zem\\ ($install)"
  echo "Sample YNote account:       $database_windows"
  echo "Knowledge base:             C:\\ZemDemo\\kb\\index.db"
  echo

  local status=0
  wine "C:\\Program Files\\Zem\\ZemYNote.exe" /Console '/DatabasePath=C:\ZemDemo\kb\index.db' \
    "/Import=$database_windows" || status=$?

  echo
  echo "== What the knowledge base holds =="
  "$linux_bin/show_knowledge_base" "$prefix_c/ZemDemo/kb/index.db"
  echo
  local documents
  documents=$(wine cmd /c 'echo %USERPROFILE%\Documents' 2>/dev/null | tr -d '\r')
  echo "Program log: $documents\\My Knowledge\\Zem.log ($(winepath -u "$documents\\My Knowledge\\Zem.log"))"
  return "$status"
}

if [ "${1:-}" = --inside-prefix ]; then
  run_in_prefix
  exit
fi

scripts/install-deps.sh
BUILD_TARGETS="make_ynote_sample show_knowledge_base" scripts/build.sh
WINDOWS_WIDTHS=32 scripts/build-windows.sh

work="${DEMO_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/zem-demo-windows-XXXXXX")}"
mkdir -p "$work/home"
# The prefix's profile folders (Documents and the rest) are made inside this HOME, so the
# program's log and settings stay in the work folder.
export HOME="$work/home"
echo "Work folder: $work"
exec scripts/wine-env.sh "$work" "$root/scripts/demo-windows.sh" --inside-prefix

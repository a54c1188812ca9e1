#!/usr/bin/env bash
# The main job on a built-in sample: installs what the build needs, builds, writes a sample
# YNote account (database and attachment storage folder), imports it into a fresh knowledge
# base with the program itself, and prints what the knowledge base now holds.
# The run gets its own HOME inside the work folder, so the user's own settings, log and
# knowledge bases are left alone. BUILD_DIR as for scripts/build.sh; DEMO_DIR to choose the
# work folder (default: a new folder under the temporary path); ZEM_PROGRAM to import with
# another copy of the program (the installed zemynote, for example) than the one built.
#   scripts/demo.sh --windows   does the same with the Windows edition under Wine
#                               (scripts/demo-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --windows ]; then
  exec scripts/demo-windows.sh
fi
scripts/install-deps.sh
scripts/build.sh
build_dir="${BUILD_DIR:-build}"
case "$build_dir" in /*) ;; *) build_dir="$(pwd)/$build_dir" ;; esac
bin="$build_dir/bin"

work="${DEMO_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/zem-demo-XXXXXX")}"
mkdir -p "$work/home/.config" "$work/home/.local/share" "$work/home/tmp" "$work/kb"
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_DOCUMENTS_DIR="$HOME/Documents" TMPDIR="$HOME/tmp/"
export ZEM_REGISTRY="$XDG_CONFIG_HOME/zem/user.reg"

database="$("$bin/make_ynote_sample" "$work/ynote")"
echo
echo "Sample YNote account: $database"
echo "Attachment storage:   $work/ynote/attachments/"
echo "Knowledge base:       $work/kb/index.db"
echo

"${ZEM_PROGRAM:-$bin/ZemYNote}" /Console "/DatabasePath=$work/kb/index.db" "/Import=$database"

echo
echo "== What the knowledge base holds =="
"$bin/show_knowledge_base" "$work/kb/index.db"
echo
echo "Program log: $XDG_DOCUMENTS_DIR/My Knowledge/Zem.log"

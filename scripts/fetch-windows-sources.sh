#!/usr/bin/env bash
# Fetches the two library sources the Windows edition compiles itself, since Debian ships
# neither for mingw-w64, into third_party/ (not committed). Idempotent: sources already in
# place and verified are left alone.
#   SQLite: the amalgamation inside the npm package better-sqlite3 (pinned, checksum checked).
#   pugixml: Debian's own source package (a deb-src line is added when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
dest=third_party
mkdir -p "$dest"

sqlite_package=better-sqlite3@12.11.1
sqlite_sha256=60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422
if ! echo "$sqlite_sha256  $dest/sqlite/sqlite3.c" | sha256sum -c --status 2>/dev/null; then
  work=$(mktemp -d)
  (cd "$work" && npm pack --silent "$sqlite_package" >/dev/null && tar xzf ./*.tgz)
  echo "$sqlite_sha256  $work/package/deps/sqlite3/sqlite3.c" | sha256sum -c --quiet
  mkdir -p "$dest/sqlite"
  cp "$work"/package/deps/sqlite3/sqlite3.{c,h} "$dest/sqlite/"
  rm -rf "$work"
fi

pugixml_version=1.13
if [ ! -f "$dest/pugixml/src/pugixml.cpp" ]; then
  if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/zem-deb-src.sources >/dev/null
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only "pugixml=${pugixml_version}-0.2" >/dev/null)
  mkdir -p "$dest/pugixml"
  tar xzf "$work/pugixml_${pugixml_version}.orig.tar.gz" -C "$dest/pugixml" --strip-components=1
  rm -rf "$work"
fi

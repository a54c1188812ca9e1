#!/usr/bin/env bash
# Instructions each program executes to import an account, counted by callgrind.
#
# Unlike seconds, the count hardly moves from run to run whatever the disk and the other core
# do (within about one per cent: only how the engine's batches fall in time changes it), so a
# change of a few per cent shows where bench/run.sh's timings move by ten. It counts the
# program's own work on every thread (its code, the host libraries, SQLite, the C library),
# not the kernel's: the copying and writing that the floor measures are not in it, nor is
# waiting. One import per program and account, two at a time, each in a fresh home; each
# knowledge base is checked complete as bench/run.sh checks it.
#
# Usage: bench/instructions.sh [--only NAME[,NAME...]] [--against REV[,REV...]]
#   NAME: an account of bench/run.sh (default: text,pictures,tags,attachment,keyless5k,body;
#   under callgrind an import runs about fifty times slower)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

only="text,pictures,tags,attachment,keyless5k,body"
against=""
while [ $# -gt 0 ]; do
  case "$1" in
    --only) only=$2; shift 2 ;;
    --against) against=$2; shift 2 ;;
    *) echo "usage: bench/instructions.sh [--only NAME,...] [--against REV,...]" >&2; exit 2 ;;
  esac
done

# shellcheck source=bench/common.sh
. bench/common.sh
build_release
build_against "$against"
runs=$out/instructions
rm -rf "$runs"
mkdir -p "$runs"

# The import of account $1 by the program in folder $3 (named $2), under callgrind; writes
# "instructions complete" to $runs/$1-$2.
count_import() {
  local name=$1 label=$2 program=$3 entry documents attachments pictures account home collected check
  for entry in "${accounts[@]}"; do
    if [ "${entry%%|*}" = "$name" ]; then IFS='|' read -r _ _ documents attachments pictures <<<"$entry"; fi
  done
  account=$out/$name/account
  home=$runs/$name-$label
  mkdir -p "$home/kb"
  collected=$(with_home "$home" valgrind --tool=callgrind --callgrind-out-file=/dev/null \
      "$program/ZemYNote" /Console "/DatabasePath=$home/kb/index.db" "/Import=$account/account.db" \
      2>&1 >/dev/null </dev/null | sed -n 's/^==[0-9]*== Collected : \([0-9]*\)$/\1/p')
  check=$("$bin/bench_check_kb" "$home/kb" "$documents" "$attachments" "$pictures" || true)
  echo "${collected:-0} $check" >"$runs/$name-$label.count"
  rm -rf "$home"
}

labels=(this "${other_revs[@]}")
programs=("$bin" "${other_bins[@]}")
names=()
for entry in "${accounts[@]}"; do
  name=${entry%%|*}
  if [[ ",$only," == *",$name,"* ]]; then names+=("$name"); generated_account "$name" >/dev/null; fi
done
for name in "${names[@]}"; do
  for k in "${!labels[@]}"; do
    if [ "$(jobs -rp | wc -l)" -ge 2 ]; then wait -n; fi
    count_import "$name" "${labels[$k]}" "${programs[$k]}" &
  done
done
wait

header=$(printf '%-11s %14s' account instructions)
for rev in "${other_revs[@]}"; do header+=$(printf ' %14s %8s' "$rev" ratio); done
echo "$header"
for name in "${names[@]}"; do
  read -r mine complete <"$runs/$name-this.count"
  line=$(printf '%-11s %14.0f' "$name" "$mine")
  for rev in "${other_revs[@]}"; do
    read -r theirs their_complete <"$runs/$name-$rev.count"
    if [ "$their_complete" != ok ]; then complete="$rev: $their_complete"; fi
    line+=$(awk -v a="$mine" -v b="$theirs" 'BEGIN { printf " %14.0f %8.4f", b, (b > 0 ? a / b : 0) }')
  done
  echo "$line $complete"
done

#!/usr/bin/env bash
# Import speed and memory benchmark.
#
# Builds in Release, generates the benchmark accounts, and for each account runs the floor
# (bench_floor: the disk work no import can avoid) and the import as a user runs it
# (ZemYNote /Console /DatabasePath=... /Import=...), each REPEAT times, in fresh homes.
# Prints the medians: notes, bytes, wall seconds, notes per second, peak resident memory,
# and the ratio of the import to the floor; then checks each knowledge base is complete.
#
# Then the imports of an account imported before (text-again: the text account again,
# unchanged; text-1%: again after 1 % of its notes changed), each into a knowledge base that
# an unmeasured first import of the text account filled in the same home.
#
# With --against REV[,REV...], the import of each account is also run by the program built
# from each of those commits (in a worktree of its own under $out/against/), in turn with
# this one, run by run in the same fresh-home conditions, each run starting with another
# program; a second table gives the medians and each one's ratio to this commit's. That is
# how a change is held to its speed: drift of the machine falls on every program alike.
#
# Usage: bench/run.sh [--repeat N] [--only NAME[,NAME...]] [--against REV[,REV...]]
#   accounts: text, pictures, large, tags, attachment, body, keyless5k, keyless20k,
#   keyless100k (the keyless accounts have no key or index on any table), text-again,
#   text-1%
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

repeat=3
only=""
against=""
while [ $# -gt 0 ]; do
  case "$1" in
    --repeat) repeat=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --against) against=$2; shift 2 ;;
    *) echo "usage: bench/run.sh [--repeat N] [--only NAME,...] [--against REV,...]" >&2; exit 2 ;;
  esac
done

# shellcheck source=bench/common.sh
. bench/common.sh
build_release

# name | account imported first and again | change every n-th note before (0: none) | documents
repeated=(
  "text-again|text|0|10000"
  "text-1%|text|100|10000"
)

build_against "$against"
comparison=$out/comparison.txt
: >"$comparison"

# One account's median of this program and of each compared one, with the ratios.
compare_row() {
  local name=$1 mine=$2 rev line
  [ "${#other_revs[@]}" -gt 0 ] || return 0
  line=$(printf '%-11s %9.3f' "$name" "$mine")
  for rev in "${other_revs[@]}"; do
    line+=$(median <"$runs/times-$name-$rev" | awk -v a="$mine" '{ printf " %9.3f %8.3f", $1, a / $1 }')
  done
  echo "$line" >>"$comparison"
}

# Every floor and import run writes into a folder of its own, and the folders are removed
# only after everything is measured. The file system here keeps no journal, and ext4 then
# will not hand out an inode freed less than a minute ago (up to six while the inode's
# block waits to be written) but steps over each such inode one by one when it creates a
# file: removing thousands of files slows every file created near them for minutes after,
# a cost that belongs to the removal, not to what is measured. So measuring starts only
# six minutes after the last removal (the time is kept in $out/removed-at).
runs=$out/runs
settle_seconds=${BENCH_SETTLE_SECONDS:-360}
remove_runs() {
  if [ -e "$runs" ]; then
    echo "removing $runs" >&2
    rm -rf "$runs"; sync
    date +%s >"$out/removed-at"
  fi
}
settle() {
  local wait_for
  [ -f "$out/removed-at" ] || return 0
  wait_for=$(( $(cat "$out/removed-at") + settle_seconds - $(date +%s) ))
  if [ "$wait_for" -gt 0 ]; then
    echo "waiting $wait_for s for the file system to settle after the last removal" >&2
    sleep "$wait_for"
  fi
}
remove_runs
settle
trap remove_runs EXIT
mkdir -p "$runs"

# One import as a user runs it: ZemYNote /Console /DatabasePath=<home>/kb/index.db
# /Import=<database> in the home; prints "seconds peak_KiB exit_status".
# A third argument names another program folder to take the program and libraries from.
measure_import() {
  local home=$1 database=$2 program=${3:-$bin}
  with_home "$home" sh -c 'mkdir -p "$1" && exec "$2" "$3" /Console "/DatabasePath=$1/index.db" "/Import=$4"' \
    sh "$home/kb" "$bin/bench_measure" "$program/ZemYNote" "$database" 2>&1 >/dev/null </dev/null | tail -1
}

# Program $3's import for run $2 of account $1 (0: this commit's; k: the compared
# other_revs[k-1]), from database $4 after a first, unmeasured import of $5 unless that is
# empty. This commit's time and peak go to the account's lists and its knowledge base is
# checked to hold $6 documents, $7 attachments and $8 pictures; a compared program's time goes
# to a list of its own.
measure_program() {
  local name=$1 i=$2 k=$3 database=$4 first=$5 label=this program=$bin named="" seconds peak status check
  if [ "$k" != 0 ]; then
    label=${other_revs[k - 1]}; program=${other_bins[k - 1]}; named="$label "
  fi
  local home=$runs/$name-$i/$label
  if [ -n "$first" ]; then
    read -r _ _ status <<<"$(measure_import "$home" "$first" "$program")"
    if [ "$status" != 0 ]; then complete="${named}first import exit $status"; fi
  fi
  sync
  read -r seconds peak status <<<"$(measure_import "$home" "$database" "$program")"
  if [ "$status" != 0 ]; then complete="${named}import exit $status"; fi
  if [ "$k" != 0 ]; then
    echo "$seconds" >>"$runs/times-$name-$label"
    return
  fi
  imports+=("$seconds"); peaks+=("$peak")
  check=$("$bin/bench_check_kb" "$home/kb" "$6" "$7" "$8" || true)
  if [ "$check" != ok ]; then complete=$check; fi
}

# Every program's import for run $2 of account $1 ($3 to $7 as measure_program's $4 to $8).
# The first import after the floor tends to be the slowest (seen: with this commit's program
# always first, on most accounts each program's median fell with its place in the order), so
# each run starts with another program and, over as many runs as programs, each has each
# place.
measure_programs() {
  local i=$2 n=$(( ${#other_revs[@]} + 1 )) j
  for j in $(seq 0 $((n - 1))); do
    measure_program "$1" "$2" $(( (j + i - 1) % n )) "$3" "$4" "$5" "$6" "$7"
  done
}

# Every run's folders are kept until the end (above). An account's runs take up to its size
# twice for the floor and once for each program's knowledge base; where the disk cannot hold
# them beside the runs so far, those are removed first and the file system left to settle.
make_room() {
  local bytes=$1 programs=$(( ${#other_revs[@]} + 1 )) need avail
  need=$(( bytes * (2 + programs) * repeat * 6 / 5 ))
  avail=$(df --output=avail -B1 "$out" | tail -1)
  if [ "$avail" -lt "$need" ] && [ -n "$(ls -A "$runs")" ]; then
    echo "$(( avail >> 30 )) GiB free, $(( need >> 30 )) GiB needed: removing the runs so far" >&2
    remove_runs
    mkdir -p "$runs"
    settle
    avail=$(df --output=avail -B1 "$out" | tail -1)
  fi
  if [ "$avail" -lt "$need" ]; then
    echo "warning: $(( avail >> 30 )) GiB free, the runs may need $(( need >> 30 )) GiB" >&2
  fi
}

printf '%-11s %7s %11s %9s %9s %10s %10s %8s %s\n' account notes bytes floor_s import_s notes/s peak_MiB ratio complete
for entry in "${accounts[@]}"; do
  IFS='|' read -r name args documents attachments pictures <<<"$entry"
  if [ -n "$only" ] && [[ ",$only," != *",$name,"* ]]; then continue; fi
  account=$(generated_account "$name")
  bytes=$(du -sb "$account" | cut -f1)
  make_room "$bytes"
  floors=(); imports=(); peaks=(); complete=ok
  for i in $(seq "$repeat"); do
    # What one run leaves for the kernel to write back is flushed before the next starts, so
    # that no run pays for another's writing.
    sync
    floors+=("$("$bin/bench_measure" "$bin/bench_floor" "$account/account.db" "$runs/$name-$i/floor" 2>&1 >/dev/null | tail -1 | cut -d' ' -f1)")
    measure_programs "$name" "$i" "$account/account.db" "" "$documents" "$attachments" "$pictures"
  done
  floor=$(printf '%s\n' "${floors[@]}" | median)
  import=$(printf '%s\n' "${imports[@]}" | median)
  peak=$(printf '%s\n' "${peaks[@]}" | median)
  awk -v n="$name" -v notes="$documents" -v b="$bytes" -v f="$floor" -v i="$import" -v p="$peak" -v c="$complete" \
    'BEGIN { printf "%-11s %7d %11.0f %9.3f %9.3f %10.0f %10.1f %8.2f %s\n", n, notes, b, f, i, notes / i, p / 1024, i / f, c }'
  compare_row "$name" "$import"
done

for entry in "${repeated[@]}"; do
  IFS='|' read -r name base every documents <<<"$entry"
  if [ -n "$only" ] && [[ ",$only," != *",$name,"* ]]; then continue; fi
  account=$(generated_account "$base")
  bytes=$(du -sb "$account" | cut -f1)
  make_room "$bytes"
  imports=(); peaks=(); complete=ok
  for i in $(seq "$repeat"); do
    database=$account/account.db
    if [ "$every" -gt 0 ]; then
      # A changed copy under the same file name is the same account; its resources stay
      # where the original's are.
      database=$runs/$name-$i/changed/account.db
      mkdir -p "$(dirname "$database")"
      cp "$account/account.db" "$database"
      "$bin/bench_change_account" "$database" "$every" >/dev/null
    fi
    measure_programs "$name" "$i" "$database" "$account/account.db" "$documents" 0 0
  done
  import=$(printf '%s\n' "${imports[@]}" | median)
  peak=$(printf '%s\n' "${peaks[@]}" | median)
  awk -v n="$name" -v notes="$documents" -v b="$bytes" -v i="$import" -v p="$peak" -v c="$complete" \
    'BEGIN { printf "%-11s %7d %11.0f %9s %9.3f %10.0f %10.1f %8s %s\n", n, notes, b, "-", i, notes / i, p / 1024, "-", c }'
  compare_row "$name" "$import"
done

if [ "${#other_revs[@]}" -gt 0 ]; then
  echo
  header=$(printf '%-11s %9s' account import_s)
  for rev in "${other_revs[@]}"; do header+=$(printf ' %9s %8s' "$rev" ratio); done
  echo "$header"
  cat "$comparison"
fi

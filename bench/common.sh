# What the benchmark scripts share: the Release build of this commit and of the commits
# compared against, the accounts and how each is generated, and the fresh home every
# measured run gets. Sourced by bench/run.sh and bench/instructions.sh from the checkout's
# root, with $root set to it.

# name | generator arguments | documents | attachments | pictures
accounts=(
  "text|--notes 10000 --notebooks 50 --tags 200 --tag-depth 3 --tags-per-note 3 --body-bytes 4096|10000|0|0"
  "pictures|--notes 2000 --notebooks 20 --tags 50 --pictures-per-note 4 --picture-bytes 102400 --attachment-every 10 --attachment-bytes 1048576|2000|200|8000"
  "large|--notes 50000 --notebooks 50 --tags 200 --tag-depth 3 --tags-per-note 3 --body-bytes 4096|50000|0|0"
  "tags|--notes 1 --notebooks 1 --tags 5000 --tag-depth 8 --tags-per-note 3|1|0|0"
  "attachment|--notes 1 --notebooks 1 --tags 0 --tags-per-note 0 --attachment-every 1 --attachment-bytes 209715200|1|1|0"
  "keyless5k|--keyless --notes 5000 --notebooks 20 --tags 50 --pictures-per-note 1 --picture-bytes 20480 --attachment-every 10 --attachment-bytes 20480|5000|500|5000"
  "keyless20k|--keyless --notes 20000 --notebooks 20 --tags 50 --pictures-per-note 1 --picture-bytes 20480 --attachment-every 10 --attachment-bytes 20480|20000|2000|20000"
  "keyless100k|--keyless --notes 100000 --notebooks 20 --tags 50 --pictures-per-note 1 --picture-bytes 20480 --attachment-every 10 --attachment-bytes 20480|100000|10000|100000"
  "body|--notes 2 --notebooks 1 --tags 0 --tags-per-note 0 --body-bytes 52428800 --pictures-per-note 1 --picture-bytes 102400|2|0|2"
)

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Installs what is missing, builds this commit's program, host libraries and benchmark tools
# in Release, and sets $out (results and accounts) and $bin (the programs).
build_release() {
  local build=${BENCH_BUILD_DIR:-$root/build-release}
  out=${BENCH_OUT:-$root/bench/out}
  scripts/install-deps.sh
  mkdir -p "$out"
  if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
         cmake --build "$build" --target ZemYNote ZemKMCore ZemTools ZemKMControls zem_resources \
           bench_floor bench_generate_account bench_change_account bench_measure bench_check_kb; } \
         >"$out/build.log" 2>&1; then
    cat "$out/build.log" >&2
    exit 1
  fi
  bin=$build/bin
}

# The programs of the commits in $1 (REV[,REV...]), each built in Release in a worktree of its
# own under $out/against/, as other_revs (short names) and other_bins (program folders). Only
# their programs and host libraries are used: the accounts, floors and checks are this
# commit's.
build_against() {
  local wanted rev tree
  other_revs=()
  other_bins=()
  for wanted in ${1//,/ }; do
    rev=$(git rev-parse --short "$wanted^{commit}")
    tree=$out/against/$rev
    if [ ! -d "$tree" ]; then
      git worktree add --detach "$tree" "$rev" >/dev/null 2>&1
    fi
    if ! { cmake -S "$tree" -B "$tree/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
           cmake --build "$tree/build-release" --target ZemYNote ZemKMCore ZemTools ZemKMControls \
             zem_resources; } >"$out/build-$rev.log" 2>&1; then
      cat "$out/build-$rev.log" >&2
      exit 1
    fi
    other_revs+=("$rev")
    other_bins+=("$tree/build-release/bin")
  done
}

# A fresh home for one run, so that no run sees another's data store or temporary files.
with_home() {
  local home=$1; shift
  mkdir -p "$home/tmp" "$home/Documents"
  env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_DOCUMENTS_DIR="$home/Documents" TMPDIR="$home/tmp/" ZEM_REGISTRY="$home/.config/zem/user.reg" \
    LANG=C.UTF-8 "$@"
}

# The account of that name, generated on first use.
generated_account() {
  local name=$1 entry args account=$out/$1/account
  if [ ! -f "$account/account.db" ]; then
    for entry in "${accounts[@]}"; do
      if [ "${entry%%|*}" = "$name" ]; then IFS='|' read -r _ args _ <<<"$entry"; fi
    done
    rm -rf "$account"
    # shellcheck disable=SC2086
    "$bin/bench_generate_account" "$account" $args >/dev/null
  fi
  echo "$account"
}

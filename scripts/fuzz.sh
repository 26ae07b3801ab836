#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/, and runs them.
#
#   scripts/fuzz.sh --list
#       prints the name of every target, one a line.
#   scripts/fuzz.sh TARGET SECONDS [libFuzzer options]
#       runs one target for SECONDS with its seeds from the repository and the inputs it
#       found in earlier runs (build-fuzz/corpus/TARGET, which keeps what this run finds).
#       A crash is written to build-fuzz/artifacts/TARGET/ and ends the run with status 1.
#       Options go to libFuzzer as they are, e.g. -jobs=2 -workers=2 for two processes.
#   scripts/fuzz.sh --smoke SECONDS
#       runs every target for SECONDS from its seeds alone (the test command does this);
#       fails when any of them finds a fault.
#   scripts/fuzz.sh --help
#       prints this and builds nothing.
#
# The seeds: small archives of tests/data/zip and the archives kept from earlier campaigns,
# the pattern units of tests/data/pattern_regressions, and fuzz/seeds/TARGET/ (replies,
# settings files, scripts). Every input that once found a
# fault is kept in tests/data/fuzz_regressions/TARGET/ and runs first, every time.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
exit_on_help "$@"

build=$PWD/build-fuzz

list_targets() {
  local source
  for source in fuzz/*_fuzzer.cpp; do
    source=${source##*/}
    echo "${source%_fuzzer.cpp}"
  done
}

configure() {
  [[ -f $build/build.ninja ]] && return 0
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  # Line tables only: stack traces name the lines, and the objects stay small.
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DBRIMSEL_FUZZ=ON \
    -DBRIMSEL_BUILD_GUI=OFF -DBRIMSEL_BUILD_TESTS=OFF -DBRIMSEL_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only" \
    "${launcher[@]}" >/dev/null
}

# The seed folders of a target, one a line; the archives are gathered into one folder.
seed_folders() {
  local target=$1
  case $target in
    extract | load)
      local zips=$build/seeds/zip
      rm -rf "$zips" && mkdir -p "$zips"
      # The small archives: every method, ZipCrypto, Zip64, comments, damage.
      find tests/data/zip -maxdepth 1 -iname '*.zip' -size -17k -exec cp {} "$zips" \;
      echo "$zips"
      echo "$PWD/tests/data/zip_regressions"
      echo "$PWD/tests/data/extract_regressions"
      ;;
    pattern)
      echo "$PWD/tests/data/pattern_regressions"
      ;;
  esac
  [[ -d fuzz/seeds/$target ]] && echo "$PWD/fuzz/seeds/$target"
  [[ -d tests/data/fuzz_regressions/$target ]] && echo "$PWD/tests/data/fuzz_regressions/$target"
  return 0
}

# libFuzzer options of a target: its dictionary and the longest input worth making.
target_options() {
  local target=$1
  [[ -f fuzz/dictionaries/$target.dict ]] && echo "-dict=$PWD/fuzz/dictionaries/$target.dict"
  case $target in
    extract | load) echo -max_len=32768 ;;
    # The download reads header lines a byte at a time: longer replies add time, not paths.
    download) echo -max_len=1024 ;;
    *) echo -max_len=4096 ;;
  esac
}

# run TARGET SECONDS CORPUS [libFuzzer options]
run_target() {
  local target=$1 seconds=$2 corpus=$3
  shift 3
  local seeds options
  mapfile -t seeds < <(seed_folders "$target")
  mapfile -t options < <(target_options "$target")
  mkdir -p "$corpus" "$build/artifacts/$target"
  "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target/" "${options[@]}" "$@" "$corpus" "${seeds[@]}"
}

is_target() {
  list_targets | grep -qx -- "$1"
}

case ${1:-} in
  --list)
    list_targets
    ;;
  --smoke)
    seconds=${2:?"--smoke takes the seconds each target runs"}
    configure
    cmake --build "$build" --target fuzzers
    failed=()
    for target in $(list_targets); do
      corpus=$(mktemp -d)
      echo "== $target: $seconds s" >&2
      if ! run_target "$target" "$seconds" "$corpus" 2>"$corpus.log"; then
        cat "$corpus.log" >&2
        failed+=("$target")
      else
        # The coverage reached, the inputs run and their pace.
        { grep -E 'cov: ' "$corpus.log" | tail -1
          grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$corpus.log"; } >&2 || true
      fi
      rm -rf "$corpus" "$corpus.log"
    done
    if ((${#failed[@]})); then
      echo "fuzz targets that found a fault: ${failed[*]}" >&2
      exit 1
    fi
    ;;
  "")
    script_error "give a target and the seconds to run it (--list names the targets)"
    ;;
  *)
    target=$1
    is_target "$target" || script_error "no target $target (--list names them)"
    seconds=${2:?"give the seconds to run $target"}
    shift 2
    configure
    cmake --build "$build" --target "${target}_fuzzer"
    run_target "$target" "$seconds" "$build/corpus/$target" "$@"
    ;;
esac

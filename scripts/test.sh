#!/usr/bin/env bash
# Sets up the machine, then builds and tests both builds: the Linux suite through ctest and
# every fuzz target for a few seconds (scripts/fuzz.sh --smoke), then the Windows suite (the
# cross-built tests) through ctest under Wine. The Wine prefix of this run is made in the
# background while the Linux suite builds and runs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
exit_on_help "$@"

elapsed() { printf '%s: %d s\n' "$1" "$2" >&2; }
start=$SECONDS
bash scripts/setup.sh
elapsed "setup" $((SECONDS - start))

# The run's own Wine prefix: a 32-bit Chinese Windows, without the Mono and Gecko prompts.
wine_dir=$(mktemp -d /tmp/brimsel-wine.XXXXXX)
export_wine() {
  export WINEPREFIX=$wine_dir/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
}
(
  export_wine
  boot_start=$SECONDS
  wineboot --init && wineserver -w
  echo "$((SECONDS - boot_start))" >"$wine_dir/boot-seconds"
) >"$wine_dir/boot.log" 2>&1 &
boot=$!
cleanup() {
  kill "$boot" 2>/dev/null || true
  wait "$boot" 2>/dev/null || true
  if [[ -d $wine_dir/prefix ]]; then (export_wine; wineserver -k 2>/dev/null || true); fi
  rm -rf "$wine_dir"
}
trap cleanup EXIT

start=$SECONDS
bash scripts/build.sh
elapsed "Linux build" $((SECONDS - start))
start=$SECONDS
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 600
elapsed "Linux tests" $((SECONDS - start))

start=$SECONDS
bash scripts/fuzz.sh --smoke 5
elapsed "fuzz targets, built and run for 5 s each" $((SECONDS - start))

start=$SECONDS
bash scripts/build-windows.sh
elapsed "Windows build" $((SECONDS - start))

start=$SECONDS
if ! wait "$boot"; then
  cat "$wine_dir/boot.log" >&2
  echo "the Wine prefix could not be made" >&2
  exit 1
fi
elapsed "Wine prefix (made in the background in $(cat "$wine_dir/boot-seconds") s), waited" $((SECONDS - start))

start=$SECONDS
export_wine
# One wineserver for the whole suite, started outside ctest's captured output: a server
# started by a test would hold that test's output open until it quits.
wineserver -p </dev/null >/dev/null 2>&1
# The first program on a new server starts the prefix's services. One program alone does
# that, before ctest starts several at once: two first programs racing to start them have
# left one of them hanging at its exit.
timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
ctest --test-dir build-windows --output-on-failure --parallel "$(nproc)" --timeout 600
elapsed "Windows tests" $((SECONDS - start))

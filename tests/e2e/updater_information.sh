#!/usr/bin/env bash
# update.exe --version and --help tell the vendor site built in, whether the updater has a
# key, and its version, without a display and without opening a window. Under Wine
# (--wine) the Windows update.exe, a program of the windowed kind, tells it both into a
# pipe and into the console of the command interpreter that started it.
#
#   updater_information.sh [--wine] UPDATE_EXE SITE KEY      KEY: the key built in, or none
set -euo pipefail
wine=()
if [[ $1 == --wine ]]; then wine=(wine); shift; fi
exe=$1 site=$2 key=$3
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb  # the platform that needs a display

fail() { echo "FAILED: $*" >&2; exit 1; }
# The answer to --version, which --help ends with, line for line.
expect_build() {
  local how=$1 text
  text=$(tr -d '\r' <<<"$2" | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g')  # a console's line ends and controls
  grep -q "^update.exe [0-9][0-9.]*, " <<<"$text" || fail "$how: no version in: $text"
  grep -qx "vendor site: $site" <<<"$text" || fail "$how: not the site $site in: $text"
  grep -q "^public key:  $key; " <<<"$text" || fail "$how: not the key $key in: $text"
}

expect_build "--version" "$(timeout 120 "${wine[@]}" "$exe" --version </dev/null)" || fail "--version did not end well"
help=$(timeout 120 "${wine[@]}" "$exe" --help </dev/null) || fail "--help did not end well"
grep -q "^usage: update.exe" <<<"$help" || fail "--help prints no usage: $help"
expect_build "--help" "$help"

if ((${#wine[@]})); then
  # Typed at the prompt of a console: the updater has none of its own and writes into
  # the interpreter's, which `script` gives a terminal.
  windows_path="Z:${exe//\//\\}"
  console=$(timeout 120 script -qec "wine cmd /c '$windows_path' --version" /dev/null </dev/null) ||
    fail "--version in a console did not end well: $console"
  expect_build "--version in a console" "$console"
fi

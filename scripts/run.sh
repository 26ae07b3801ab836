#!/usr/bin/env bash
# Sets up the machine, builds, and starts the wizard from the build's bin folder, beside an
# Update.ini made with updtool.
#
# With a working $DISPLAY the wizard opens there and the script waits until it is closed.
# Without one it runs on a private Xvfb display: the script waits until the window is
# shown, saves a screenshot of it, says where, and closes the wizard and Xvfb again.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bin=$build/bin
out=$build/run
window_title='在线升级'

say() { printf '== %s\n' "$*"; }
fail() { printf 'run: %s\n' "$*" >&2; exit 1; }

# Everything this script starts, stopped again (by process id) when it ends.
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

setup_and_build() {
  bash "$root/scripts/setup.sh"
  bash "$root/scripts/build.sh"
  [[ -x $bin/update.exe ]] || fail "the build made no $bin/update.exe"
}

# The settings a vendor ships beside update.exe, enciphered by updtool.
write_settings() {
  local ini=$bin/Update.ini
  if [[ -x $bin/updtool ]] && "$bin/updtool" help 2>/dev/null | grep -q 'ini set'; then
    "$bin/updtool" ini set "$ini" title Brimsel
    "$bin/updtool" ini set "$ini" version 1.0
    "$bin/updtool" ini set "$ini" homepage http://www.brimsel.example
    "$bin/updtool" ini set "$ini" FSoftName Brimsel
    say "Settings written to $ini"
  else
    say "updtool cannot write settings yet; the wizard starts without Update.ini"
  fi
}

display_works() {
  [[ -n ${DISPLAY:-} ]] && xdotool getdisplaygeometry >/dev/null 2>&1
}

# Starts Xvfb on a display number it picks itself and exports DISPLAY.
start_xvfb() {
  local number_file=$out/xvfb.display
  rm -f "$number_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >"$out/xvfb.log" 2>&1 &
  pids+=($!)
  local deadline=$((SECONDS + 15))
  until [[ -s $number_file ]]; do
    ((SECONDS < deadline)) || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
    kill -0 "${pids[-1]}" 2>/dev/null || fail "Xvfb ended: $(cat "$out/xvfb.log")"
    sleep 0.1
  done
  export DISPLAY=:$(tr -d '[:space:]' <"$number_file")
  say "Xvfb is running on $DISPLAY"
}

start_wizard() {
  # Started from elsewhere on purpose: the wizard finds Update.ini beside itself.
  (cd / && exec "$bin/update.exe") >"$out/update.log" 2>&1 &
  wizard_pid=$!
  pids+=("$wizard_pid")
}

# The X window id of the wizard, once it is shown (at most 20 seconds).
wait_for_wizard_window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^${window_title}\$" 2>/dev/null | head -n 1) || true
  [[ -n $id ]] || fail "the wizard window did not appear: $(cat "$out/update.log")"
  echo "$id"
}

main() {
  setup_and_build
  mkdir -p "$out"
  write_settings
  export QT_QPA_PLATFORM=xcb

  if display_works; then
    say "Starting the wizard on $DISPLAY"
    start_wizard
    wait "$wizard_pid" || true
    return
  fi

  start_xvfb
  start_wizard
  wait_for_wizard_window >/dev/null
  sleep 1  # let the first page paint
  local shot=$out/wizard.png
  "$bin/screenshot" "$shot" || fail "no screenshot"
  say "The wizard was shown on $DISPLAY; screenshot: $shot"
  say "Closing the wizard and Xvfb"
}

main "$@"

#!/usr/bin/env bash
# Runs the Windows test program $1 under Wine on an Xvfb of its own, under a time limit,
# and stops the Xvfb afterwards. The program gets a Wine desktop of its own: Wine ties
# each desktop to the display it was first opened on, and the default one may already
# belong to a test without a display. Wine draws window frames itself (Managed=N), so a
# close takes milliseconds rather than the seconds it waits for a missing window manager.
# The verdict is the program's XML report (the desktop does not pass exit codes on).
set -euo pipefail
program=$1
report=$(mktemp /tmp/brimsel-window-test.XXXXXX)
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
for display in $(seq 180 230); do
  [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]] && continue
  Xvfb ":$display" -nolisten tcp -screen 0 800x600x24 >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X$display ]] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  if [[ -e /tmp/.X11-unix/X$display ]]; then
    trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true; rm -f "$report"' EXIT
    DISPLAY=":$display" timeout 120 wine explorer "/desktop=brimsel-test-$display,800x600" \
      "Z:$program" "--gtest_output=xml:Z:$report"
    grep -q '<testsuites tests="[1-9][0-9]*" failures="0" disabled="[0-9]*" errors="0"' "$report"
    exit
  fi
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
done
echo "no free X display" >&2
exit 1

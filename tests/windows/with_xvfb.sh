#!/usr/bin/env bash
# Runs a command with DISPLAY set to an Xvfb of its own, under a time limit, and stops the
# Xvfb afterwards. Wine draws window frames itself (Managed=N), so a close takes
# milliseconds rather than the seconds it waits for a window manager that is not there.
set -euo pipefail
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
    trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true' EXIT
    DISPLAY=":$display" timeout 120 "$@"
    exit
  fi
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
done
echo "no free X display" >&2
exit 1

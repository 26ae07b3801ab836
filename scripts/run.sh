#!/usr/bin/env bash
# The updater's main job on this machine: sets the machine up, builds, and runs a whole
# update from end to end (scripts/demo.sh): an installation folder with an old Brimsel, a
# local update server with a newer release, and the wizard.
#
# With a working $DISPLAY the wizard opens there for you to click through. Without one it
# runs on a private Xvfb display, is clicked through page by page, and the script prints
# the installation log, the new LastUpdate and where the screenshots of every page are.
#
# scripts/run.sh --windows does the same with the Windows build under Wine: the 32-bit
# update.exe and a Windows product window; the server and the screenshots are the Linux
# build's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/script_options.sh"
exit_on_help "$@"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
if [[ ${1:-} == --windows ]]; then
  shift
  bash "$root/scripts/build-windows.sh"
  exec bash "$root/scripts/demo.sh" --windows --build-dir "$root/build" --windows-build "$root/build-windows" \
    --work "$root/build/demo-windows" "$@"
fi
exec bash "$root/scripts/demo.sh" --build-dir "$root/build" --work "$root/build/demo" "$@"

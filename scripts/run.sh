#!/usr/bin/env bash
# The updater's main job on this machine: sets the machine up, builds, and runs a whole
# update from end to end (scripts/demo.sh): an installation folder with an old Brimsel, a
# local update server with a newer release, and the wizard.
#
# With a working $DISPLAY the wizard opens there for you to click through. Without one it
# runs on a private Xvfb display, is clicked through page by page, and the script prints
# the installation log, the new LastUpdate and where the screenshots of every page are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
exec bash "$root/scripts/demo.sh" --build-dir "$root/build" --work "$root/build/demo" "$@"

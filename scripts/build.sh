#!/usr/bin/env bash
# Configures and builds the project (Release). Other arguments go to cmake.
#
#   scripts/build.sh [cmake arguments]
#       into build/, with the tests and benchmarks: the demo's and the tests' build, whose
#       update.exe asks http://127.0.0.1 and checks no signature.
#   scripts/build.sh --vendor URL (--key vendor.pub | --unsigned) [cmake arguments]
#       a vendor's build into build-vendor/: update.exe asks URL (http://HOST: port 80, no
#       port, path or user) for releases and installs only packages signed with the secret
#       half of vendor.pub (updtool keygen); with --unsigned, whatever it is served, and
#       so whatever a man in the middle serves. -DBRIMSEL_VENDOR_PUBLIC_KEY=HEX may stand
#       for --key. Every setting is given anew: none is kept from an earlier build. No tests
#       or benchmarks; the programs are stripped.
#   scripts/build.sh --help
#       prints this and builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
exit_on_help "$@"
parse_build_arguments "$@"
dir=build
[[ -n $vendor_url ]] && dir=build-vendor
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${vendor_settings[@]}" "${cmake_arguments[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"

#!/usr/bin/env bash
# Configures and builds the project (Release). Extra arguments go to cmake.
#
#   scripts/build.sh [cmake arguments]               into build/, with tests and benchmarks
#   scripts/build.sh --vendor URL [cmake arguments]  a vendor's build into build-vendor/:
#       update.exe asks URL (http://host, no trailing slash) for releases; tests and
#       benchmarks off, so that build/ keeps the demo's and the tests' built-in site.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
options=()
if [[ ${1:-} == --vendor ]]; then
  [[ $# -ge 2 ]] || { echo "build.sh: --vendor takes the site's URL, e.g. http://www.example.com" >&2; exit 2; }
  url=${2%/}
  [[ $url =~ ^[Hh][Tt][Tt][Pp]://[^/[:space:]]+$ ]] ||
    { echo "build.sh: the vendor site must be http://host (port 80, no path), not '$2'" >&2; exit 2; }
  shift 2
  dir=build-vendor
  options=(-DBRIMSEL_VENDOR_SITE_URL="$url" -DBRIMSEL_BUILD_TESTS=OFF -DBRIMSEL_BUILD_BENCH=OFF)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${options[@]}" "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"

#!/usr/bin/env bash
# Cross-builds the 32-bit Windows programs with mingw-w64 (Release; toolchain file
# cmake/mingw-w64-i686.cmake). Other arguments go to cmake.
#
#   scripts/build-windows.sh [cmake arguments]
#       update.exe, updtool.exe and the Windows tests into build-windows/: the Windows
#       suite's build, whose update.exe asks http://127.0.0.1 and checks no signature.
#   scripts/build-windows.sh --vendor URL (--key vendor.pub | --unsigned) [cmake arguments]
#       a vendor's update.exe and updtool.exe into build-windows-vendor/, without the tests,
#       stripped; the settings are those of scripts/build.sh --vendor.
#   scripts/build-windows.sh --help
#       prints this and builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
exit_on_help "$@"
parse_build_arguments "$@"
dir=build-windows
[[ -n $vendor_url ]] && dir=build-windows-vendor
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
  "${vendor_settings[@]}" "${cmake_arguments[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
for program in update.exe updtool.exe; do
  if [[ -f $dir/bin/$program ]]; then echo "built $dir/bin/$program"; fi
done

#!/usr/bin/env bash
# Cross-builds the 32-bit Windows programs (update.exe, updtool.exe) and their tests with
# mingw-w64 into build-windows/ (Release). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" "$@" >/dev/null
cmake --build build-windows --parallel "$(nproc)"
for program in update.exe updtool.exe; do
  if [[ -f build-windows/bin/$program ]]; then echo "built build-windows/bin/$program"; fi
done

#!/usr/bin/env bash
# Configures and builds Ravelin for the Wine that runs on this machine; prints the build folder.
# 32-bit Windows (the product) in build/; where only 64-bit Wine runs, the same sources for 64-bit
# Windows in build-x64/, so that every test still runs the real programs.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(scripts/wine-bits.sh)" = 64 ]; then
    # The product itself is still built for 32-bit Windows, so that it keeps compiling there.
    cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j 2 --target product >&2
    dir=build-x64
    toolchain=cmake/mingw-x86_64.cmake
else
    dir=build
    toolchain=cmake/mingw-i686.cmake
fi
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j 2 >&2
echo "$dir"

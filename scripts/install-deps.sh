#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Ravelin (Debian packages only).
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v cmake >/dev/null || need+=(cmake)
command -v wine >/dev/null || need+=(wine wine64)
# Wine's own fonts (Tahoma, Marlett), which the prefixes get a copy of.
[ -d /usr/share/wine/fonts ] || need+=(fonts-wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xauth >/dev/null || need+=(xauth)
command -v xvfb-run >/dev/null || need+=(xvfb)
[ -f /usr/src/googletest/googletest/CMakeLists.txt ] || need+=(googletest)
command -v import >/dev/null || need+=(imagemagick)
# The Japanese locale's source, from which the double-byte code page suite's locale is made.
[ -f /usr/share/i18n/locales/ja_JP ] || need+=(locales)
# The command-line tool's tests read its JSON with nlohmann/json (headers only).
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
command -v makensis >/dev/null || need+=(nsis)

# Where 32-bit Wine cannot run, the tests use a 64-bit build (see wine-bits.sh).
if [ -x /usr/lib/wine/wine ] && [ "$("$(dirname "$0")/wine-bits.sh")" = 64 ]; then
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
fi

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${need[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
# Wine is there now: a machine that cannot run it 32-bit also needs the 64-bit compilers.
if [ "$("$(dirname "$0")/wine-bits.sh")" = 64 ] && ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq g++-mingw-w64-x86-64-posix >/dev/null
fi

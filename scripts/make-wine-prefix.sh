#!/usr/bin/env bash
# Creates a booted 32-bit Wine prefix at $1, ready to copy for each test suite.
# Runs inside an X display (services inherit it, and Wine needs one for any window).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

prefix=$1
mkdir -p "$prefix"
export WINEPREFIX=$prefix
# One persistent server first, then the boot with stdio detached (see the Wine notes).
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
"$here/add-wine-fonts.sh" "$prefix"
# Without a window manager, unmanaged windows hide and close at once instead of after 2 s.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
# An installed system's settings; suites that need others change them.
wine reg add 'HKLM\SOFTWARE\Morvane\Ravelin' /v path /d 'C:\Program Files\Ravelin' /f </dev/null >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Morvane\Ravelin' /v dataPath /d 'C:\Program Files\Ravelin\Data' /f </dev/null >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

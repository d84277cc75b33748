#!/usr/bin/env bash
# Installs the build into the run prefix with its installer and runs the product (called by
# run.sh): RavelinSetup.exe /S puts the programs in place (over an earlier installation, keeping its
# data), an empty service table gets three demonstration services (one of them installed and
# started as a real service), and the installed manager opens.
# On a display of the user's the manager stays open until the user closes it. With
# RAVELIN_SCREENSHOT=1 (run.sh sets it when it has to make a display of its own with xvfb-run) it
# waits for the manager's window, saves run/screenshot.png of it and ends.
set -euo pipefail
root=$1
build=${2:-build}
here=$root/scripts
. "$here/wine-env.sh"
export WINEPREFIX=${RAVELIN_PREFIX:-$root/run/prefix}

screenshot_only=${RAVELIN_SCREENSHOT:-0}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX..."
    "$here/make-wine-prefix.sh" "$WINEPREFIX"
    fresh=1
fi
# Also for a prefix made before the fonts were added (copies only what is missing).
"$here/add-wine-fonts.sh" "$WINEPREFIX"
# One server, then the boot with stdio detached; the boot also starts installed services.
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null' EXIT
if [ "${fresh:-0}" = 1 ]; then
    # A machine that never had Ravelin: without the settings that test prefixes start with.
    wine reg delete 'HKLM\SOFTWARE\Morvane\Ravelin' /f </dev/null >/dev/null 2>&1
fi

# The installer, silently; it stops and restarts services of an earlier installation itself.
echo "Installing with $build/bin/RavelinSetup.exe /S..."
start=$(date +%s%N)
if ! wine "$root/$build/bin/RavelinSetup.exe" /S </dev/null >/dev/null 2>&1; then
    echo "The installer failed." >&2
    exit 1
fi
echo "Installed in $(( ($(date +%s%N) - start) / 1000000 )) ms."
setting() {
    wine reg query 'HKLM\SOFTWARE\Morvane\Ravelin' /v "$1" </dev/null 2>/dev/null |
        tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"
}
install_dir=$(setting path)
data_dir=$(setting dataPath)
if [ -z "$install_dir" ]; then
    echo "The installer did not register the installation folder." >&2
    exit 1
fi
echo "Installed into $WINEPREFIX: $install_dir (data folder $data_dir)."

# Demonstration services, only when the table holds none: the user's own ones are kept.
# The demo helper is a tool of the build, not part of the installation.
demo="$root/$build/bin/RavelinDemo.exe"
wine "$demo" table </dev/null 2>/dev/null | tr -d '\r'

echo "Starting the manager..."
wine "$install_dir\\RavelinManager.exe" </dev/null >/dev/null 2>&1 &
manager=$!

if [ "$screenshot_only" != 1 ]; then
    echo "The manager is open; close it to end."
    wait $manager || true
    exit 0
fi

geometry=$(wine "$demo" window 60 </dev/null 2>/dev/null | tr -d '\r')
if [ -z "$geometry" ]; then
    echo "The manager's window did not appear." >&2
    exit 1
fi
# A moment for the first paint of the rows and the toolbar's enabled states.
sleep 2
mkdir -p "$root/run"
import -window root -crop "$geometry" +repage "$root/run/screenshot.png"
echo "Screenshot of the manager ($geometry): run/screenshot.png"
echo
echo "Log of slot 00, newest first:"
wine "$demo" log </dev/null 2>/dev/null | tr -d '\r'

#!/usr/bin/env bash
# Installs the built programs into the run prefix and runs the product (called by run.sh):
# the programs go where the installer puts them, an empty service table gets three demonstration
# services (one of them installed and started as a real service), and the manager opens.
# On a display of the user's the manager stays open until the user closes it. With
# RAVELIN_SCREENSHOT=1 (run.sh sets it when it has to make a display of its own with xvfb-run) it
# waits for the manager's window, saves run/screenshot.png of it and ends.
set -euo pipefail
root=$1
build=${2:-build}
here=$root/scripts
. "$here/wine-env.sh"
export WINEPREFIX=${RAVELIN_PREFIX:-$root/run/prefix}

install_dir='C:\Program Files\Ravelin'
data_dir='C:\Program Files\Ravelin\Data'
unix_install="$WINEPREFIX/drive_c/Program Files/Ravelin"

screenshot_only=${RAVELIN_SCREENSHOT:-0}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX..."
    "$here/make-wine-prefix.sh" "$WINEPREFIX"
fi
# One server, then the boot with stdio detached; the boot also starts installed services.
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null' EXIT

# What the installer lays down: the programs in the installation folder and the two settings.
mkdir -p "$unix_install/Data"
for program in RavelinManager Ravelin Halyard RavelinDemo; do
    cp "$root/$build/bin/$program.exe" "$unix_install/"
done
wine reg add 'HKLM\SOFTWARE\Morvane\Ravelin' /v path /d "$install_dir" /f </dev/null >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Morvane\Ravelin' /v dataPath /d "$data_dir" /f </dev/null >/dev/null 2>&1
echo "Installed into $WINEPREFIX: $install_dir (data folder $data_dir)."

# Demonstration services, only when the table holds none: the user's own ones are kept.
demo="$install_dir\\RavelinDemo.exe"
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

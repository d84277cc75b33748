#!/usr/bin/env bash
# Installs the built programs into the run prefix and runs the product (called by run.sh).
set -euo pipefail
root=$1
build=${2:-build}
here=$root/scripts
. "$here/wine-env.sh"
export WINEPREFIX=${RAVELIN_PREFIX:-$root/run/prefix}

install_dir='C:\Program Files\Ravelin'
data_dir='C:\Program Files\Ravelin\Data'

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX..."
    "$here/make-wine-prefix.sh" "$WINEPREFIX"
fi
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null' EXIT

# What the installer lays down: the programs in the installation folder and the two settings.
unix_install=$(winepath -u "$install_dir")
mkdir -p "$unix_install"
cp "$root/$build"/bin/Halyard.exe "$root/$build"/bin/Ravelin.exe "$root/$build"/bin/RavelinDemo.exe "$unix_install/"
mkdir -p "$(winepath -u "$data_dir")"
wine reg add 'HKLM\SOFTWARE\Morvane\Ravelin' /v path /d "$install_dir" /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Morvane\Ravelin' /v dataPath /d "$data_dir" /f >/dev/null 2>&1
echo "Installed into $WINEPREFIX: $install_dir (data folder $data_dir)."

# The demo: one service record, its application host, a stop request, the slot's log.
demo="$install_dir\\RavelinDemo.exe"
wine "$demo" create 'C:\windows\system32\notepad.exe' 'C:\windows' '' </dev/null
echo "Starting the application host for slot 00 (it launches Notepad)..."
wine "$install_dir\\Halyard.exe" 00 </dev/null >/dev/null 2>&1 &
host=$!
sleep 4
if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    mkdir -p "$root/run"
    import -window root "$root/run/screenshot.png" 2>/dev/null && echo "Screenshot: run/screenshot.png"
fi
echo "Asking the host to stop the application..."
wine "$demo" stop </dev/null
sleep 3
wine "$demo" close </dev/null
wait $host || true
echo
echo "Log of slot 00, newest first:"
wine "$demo" log </dev/null

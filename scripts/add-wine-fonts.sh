#!/usr/bin/env bash
# Puts Wine's own fonts (Debian's fonts-wine: Tahoma, Marlett, MS Sans Serif, ...) into the
# Fonts folder of the Wine prefix $1, so that dialogs and caption buttons look as on Windows.
# 64-bit Wine 8 looks for them under the name "Z:\usr\share\wine\../fonts", which its own file
# lookup refuses (STATUS_OBJECT_NAME_INVALID), so it never reads that folder; the prefix's
# C:\windows\Fonts is always read. Copies only what is missing or older; safe to run again.
set -euo pipefail
prefix=$1
source=/usr/share/wine/fonts
fonts=$prefix/drive_c/windows/Fonts
if [ ! -d "$source" ]; then
    echo "Wine's fonts ($source, package fonts-wine) are missing." >&2
    exit 1
fi
mkdir -p "$fonts"
cp -u "$source"/*.ttf "$source"/*.fon "$fonts"/

#!/usr/bin/env bash
# Copies the prefix $1 to $2: everything but system32 as real copies (wineserver rewrites its
# registry files in place), system32 hard-linked because it is large and never written.
set -euo pipefail
src=$1
dst=$2
mkdir -p "$dst"
tar -C "$src" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$dst" -xf -
cp -al "$src/drive_c/windows/system32" "$dst/drive_c/windows/system32"

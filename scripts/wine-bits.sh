#!/usr/bin/env bash
# Prints 32 when this machine can run 32-bit Wine, 64 when it cannot. Some virtual machines run
# a kernel that refuses every 32-bit Linux program (the 32-bit Wine loader fails with "Exec format
# error"); there the tests run a 64-bit build of the same sources under 64-bit Wine instead.
# RAVELIN_WINE_BITS set to 32 or 64 overrides the check.
if [ -n "${RAVELIN_WINE_BITS:-}" ]; then
    echo "$RAVELIN_WINE_BITS"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo 32
else
    echo 64
fi

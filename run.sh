#!/usr/bin/env bash
# Builds Ravelin, installs it into a Wine prefix the way the Windows installer does, and runs it.
# The prefix is ./run/prefix (or $RAVELIN_PREFIX). Without a display, everything runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

scripts/install-deps.sh
build=$(scripts/build.sh)

if [ -z "${DISPLAY:-}" ]; then
    export RAVELIN_SCREENSHOT=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" scripts/run-product.sh "$root" "$build"
fi
exec scripts/run-product.sh "$root" "$build"

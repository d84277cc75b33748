#!/usr/bin/env bash
# Builds Ravelin and runs every test under Wine inside Xvfb. Installs what the machine lacks.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
build=$(scripts/build.sh)

start=$(date +%s)
status=0
# Every Wine program with a window holds two or more connections to the X server, and one that
# cannot connect cannot create any window (a host then never launches its application). The
# fifty-services suite alone keeps about 200 of them open, near the server's default limit of
# 256, and another suite may run beside it: room for 1024.
xvfb-run -a -s "-screen 0 1024x768x24 -maxclients 1024" scripts/run-tests.sh "$build" "$@" || status=$?
echo "Test run took $(( $(date +%s) - start )) s."
exit $status

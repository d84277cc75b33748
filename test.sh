#!/usr/bin/env bash
# Builds Ravelin and runs every test under Wine inside Xvfb. Installs what the machine lacks.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
build=$(scripts/build.sh)

start=$(date +%s)
status=0
xvfb-run -a -s "-screen 0 1024x768x24" scripts/run-tests.sh "$build" "$@" || status=$?
echo "Test run took $(( $(date +%s) - start )) s."
exit $status

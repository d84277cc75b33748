#!/usr/bin/env bash
# Runs every test of the build folder $1 under Wine; expects an X display (test.sh provides Xvfb).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift

work=$(mktemp -d /tmp/ravelin-tests.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "Making the Wine template prefix..."
"$here/make-wine-prefix.sh" "$work/template"
export RAVELIN_TEMPLATE_PREFIX=$work/template

ctest --test-dir "$build" --output-on-failure -j "${RAVELIN_TEST_JOBS:-2}" "$@"

#!/usr/bin/env bash
# Runs one test executable under Wine in a fresh prefix of its own, copied from the run's
# template ($RAVELIN_TEMPLATE_PREFIX; made here when absent). The prefix and its servers are
# gone when this returns. Exit code: the test executable's.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

exe=$1
shift

template=${RAVELIN_TEMPLATE_PREFIX:-}
own_template=""
if [ -z "$template" ] || [ ! -d "$template" ]; then
    own_template=$(mktemp -d /tmp/ravelin-template.XXXXXX)
    template=$own_template/prefix
    "$here/make-wine-prefix.sh" "$template"
fi

suite=$(mktemp -d /tmp/ravelin-suite.XXXXXX)
prefix=$suite/prefix
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    WINEPREFIX=$prefix wineserver -w 2>/dev/null
    rm -rf "$suite"
    [ -n "$own_template" ] && rm -rf "$own_template"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$here/copy-wine-prefix.sh" "$template" "$prefix"
export WINEPREFIX=$prefix
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1

wine "$exe" "$@" </dev/null

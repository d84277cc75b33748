# Sourced: the Wine settings every script of ours uses (quiet, no Mono or Gecko), and `wine`
# bound to the loader that can run here: a 32-bit prefix where 32-bit Wine runs, otherwise a
# 64-bit prefix (see wine-bits.sh).
RAVELIN_WINE_BITS=$("$(dirname "${BASH_SOURCE[0]}")/wine-bits.sh")
export RAVELIN_WINE_BITS
if [ "$RAVELIN_WINE_BITS" = 64 ]; then
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    wine() { /usr/lib/wine/wine64 "$@"; }
else
    export WINEARCH=win32
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

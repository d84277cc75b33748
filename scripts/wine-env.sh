# Sourced: the Wine settings every script of ours uses (32-bit prefix, quiet, no Mono or Gecko).
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

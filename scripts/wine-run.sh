#!/bin/sh
# wine-run.sh PREFIX PROGRAM.exe [ARGS...]: runs a Windows program under Wine
# in a throwaway prefix (never the user's ~/.wine), without a display, quietly.
#
# wine-run.sh --create PREFIX: makes a fresh prefix (ctest's set-up fixture).
# wine-run.sh --remove PREFIX: stops that prefix's wineserver and removes it.
set -eu
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY

case "$1" in
--create)
  export WINEPREFIX="$2"
  [ -d "$WINEPREFIX" ] && "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  # A server left over from an earlier prefix at this path can refuse the
  # first start: stop it and try once more.
  for attempt in 1 2; do
    if "$WINE64" wineboot --init && "$WINESERVER" -w; then exit 0; fi
    echo "wineboot failed in $WINEPREFIX (attempt $attempt)" >&2
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  done
  exit 1 ;;
--remove)
  export WINEPREFIX="$2"
  # Only this prefix's server: never stop Wine by process name.
  [ -d "$WINEPREFIX" ] && { "$WINESERVER" -k 2>/dev/null || true; }
  rm -rf "$WINEPREFIX"
  exit 0 ;;
esac

export WINEPREFIX="$1"
shift
exec "$WINE64" "$@"

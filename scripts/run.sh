#!/usr/bin/env bash
# `make run`: start Vellumo. On Linux it runs under Wine on $DISPLAY; with no
# display, a scripted tour on a virtual one (detect, drag, resize, copy, save
# through the dialog, draw one of each mark, pin a Floater) saves a screenshot of each step under
# out/, with the copied bitmap and the saved file, and prints their names.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD:-build}
exe="$root/$build/win64/vellumo.exe"

case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*) exec "$exe" ;;
esac

if [ -n "${DISPLAY:-}" ]; then
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=wine64
  export WINEPREFIX="${WINEPREFIX:-$root/$build/wineprefix-run}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  exec "$wine" "$exe"
fi

tour="$root/$build/native/tests/e2e/vellumo_tour"
if [ ! -x "$tour" ]; then
  echo "run: $tour is missing; run make build-native" >&2
  exit 1
fi
echo "run: no DISPLAY; touring Vellumo on a virtual display (copy, save, pin)" >&2
exec "$tour" "$root/out"

#!/usr/bin/env bash
# wine-run.sh KIND PROGRAM [ARGS...]
# Runs a Windows program under Wine in one of the build tree's prefixes:
#   win32  a 32-bit prefix (32-bit programs, no WOW64)
#   wow64  a 64-bit prefix, 32-bit programs running under WOW64
#   win64  the same 64-bit prefix, 64-bit programs, started by the 64-bit loader
#          directly (on machines whose kernel cannot run 32-bit Linux programs)
# A prefix is booted on first use, under a lock so that parallel tests wait for it.
set -eu
kind=$1; shift
root=${SONOGRAF_WINE_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/build/wine}
loader=wine
case $kind in
  win32) arch=win32 ;;
  wow64) arch=win64 ;;
  win64) arch=win64; loader=/usr/lib/wine/wine64; export WINELOADER=$loader ;;
  *) echo "wine-run.sh: unknown prefix kind $kind" >&2; exit 2 ;;
esac
export WINEPREFIX=$root/$arch WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$root"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.booted" ]; then
    rm -rf "$WINEPREFIX"
    "$loader" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.booted"
  fi
) 9>"$root/$arch.lock"
exec "$loader" "$@"

#!/usr/bin/env bash
# Static checks of the shipped installer, then a second clean build of it that
# must come out byte for byte the same (signed alike when a certificate is given).
set -uo pipefail
cd "$(dirname "$0")/.."
installer=${1:-build/win32/SonografSetup.exe}
status=0
python3 tests/check_installer.py "$installer" || status=1
repro=build/repro
rm -rf "$repro"
if cmake -S . -B "$repro" --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
     -DSONOGRAF_HOST_BUILD="$(pwd)/build/host" -DBUILD_TESTING=OFF >/dev/null &&
   cmake --build "$repro" --target SonografSetup -j2 >/dev/null &&
   cmake/sign.sh "$repro/SonografSetup.exe" >/dev/null &&
   cmp -s "$installer" "$repro/SonografSetup.exe"; then
  echo "CHECK OK a second clean build is byte-identical"
else
  echo "CHECK FAILED a second clean build differs or did not build"
  status=1
fi
rm -rf "$repro"
exit $status

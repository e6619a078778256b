#!/usr/bin/env bash
# Builds the Sonograf installer and runs it or its tests.
#   ./build.sh           build everything (host tools and tests, the installer)
#   ./build.sh run [-- ARGS]
#                        build, then run the installer under Wine in a project-local
#                        prefix: in a window when a display is there, otherwise take a
#                        screenshot under Xvfb (build/installer.png) and install silently
#   ./build.sh test      build, then run every test: native, Windows under Wine, end to end
# The installer is signed when a certificate is given (see cmake/sign.sh and README, Release).
#   ./build.sh bench [-- ROUNDS]
#                        build, then print the package benchmark (host, and the Windows
#                        builds under Wine), the installer end to end against programs
#                        doing the same OS work (under Wine and Xvfb, ROUNDS rounds,
#                        default 100) and the installer's size without resources
# Missing Debian packages are installed first (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

packages=(cmake make g++ clang python3 libgtest-dev googletest libssl-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine64 xvfb xauth x11-utils imagemagick fonts-liberation
          osslsigncode openssl)
# 32-bit Wine, wanted only where the kernel runs 32-bit Linux programs.
packages_32bit=(wine32:i386)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# The lists are refreshed before every install. A mirror caught mid-sync
# fails the update for one list or another, often for days: the lists that
# did come are used, and install_missing copes with their disagreement.
update_lists() {
  as_root apt-get update -qq ||
    echo "build.sh: some package lists could not be refreshed; going on with those there are" >&2
}

# A 93-byte i386 Linux program that exits 0: whether the kernel runs it tells
# whether 32-bit Wine could run here, before Wine is installed.
kernel_runs_32bit() {
  local probe=build/.probe-i386
  mkdir -p build
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
}

apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# A mirror caught mid-sync can leave one architecture's list of a suite out
# (the security suite's i386 list, say): the other architecture's candidates
# then have no twin of the same version, which multiarch packages need, and
# the install cannot be resolved. The release's own versions exist for both,
# so the install is tried again with them preferred for every package.
install_missing() {
  local wanted=("${packages[@]}") missing=()
  kernel_runs_32bit && wanted+=("${packages_32bit[@]}")
  for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  case " ${missing[*]}" in
    *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386 ;;
  esac
  update_lists
  local errors=build/.apt-errors codename
  apt_install "${missing[@]}" 2>"$errors" && return 0
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ]; then
    echo "build.sh: the package lists do not agree; installing with $codename's own versions preferred"
    apt_install -t "$codename" "${missing[@]}" 2>"$errors" && return 0
  fi
  cat "$errors" >&2
  echo "build.sh: cannot install ${missing[*]}: apt's messages are above" >&2
  exit 1
}

# 32-bit Wine needs a kernel that runs 32-bit Linux programs; some machines do not.
can_run_32bit_wine() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

build_all() {
  cmake --preset host >/dev/null
  cmake --build --preset host
  cmake --preset win32 >/dev/null
  cmake --build --preset win32
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
}

# Signing rewrites the linked installer, so one signed by an earlier build is
# linked afresh first: an unsigned build never ships a stale signature.
sign_installer() {
  local installer=build/win32/SonografSetup.exe
  if build/host/tools/sonograf-pack verify "$installer" | grep -q '^signature: Authenticode'; then
    rm "$installer"
    cmake --build --preset win32 --target SonografSetup >/dev/null
  fi
  cmake/sign.sh "$installer"
}

# One Xvfb display for the whole Wine session, started before the first Wine process.
xvfb_pid=
start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && return 0; sleep 0.1; done
  done
  echo "build.sh: cannot start Xvfb" >&2
  return 1
}

stop_wine() {
  local arch prefixes=${SONOGRAF_WINE_ROOT:-$root/build/wine}
  for arch in win32 win64; do
    [ -d "$prefixes/$arch" ] && WINEPREFIX="$prefixes/$arch" wineserver -k 2>/dev/null || true
  done
}

cleanup() {
  stop_wine
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}

run_tests() {
  start_display
  trap cleanup EXIT
  local failed=0 log=build/test-summary.txt
  : > "$log"
  ctest --test-dir build/host -j2 --output-on-failure | tee -a "$log" || failed=1
  ctest --test-dir build/win64 -j2 --output-on-failure | tee -a "$log" || failed=1
  if can_run_32bit_wine; then
    ctest --test-dir build/win32 -j2 --output-on-failure | tee -a "$log" || failed=1
  else
    echo "NOTE: this machine cannot run 32-bit Linux programs, so 32-bit Wine cannot run:"
    echo "      the Windows and end-to-end tests ran on the 64-bit build of the same sources."
  fi
  tests/check-installer.sh build/win32/SonografSetup.exe | tee -a "$log" || failed=1
  local passed failures
  read -r passed failures < <(awk '
    /tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $4 }
    /^CHECK OK/ { total++ }
    /^CHECK FAILED/ { total++; failed++ }
    END { print total - failed, failed + 0 }' "$log")
  echo "$passed passed, $failures failed"
  [ $failed -eq 0 ] && [ "$failures" -eq 0 ]
}

# The busy panel mid-install: the window test's large-package install saves it.
busy_screenshot() {
  local kind=$1 build=build/$([ "$1" = win32 ] && echo win32 || echo win64)
  local windows_root="Z:${root//\//\\}"
  SONOGRAF_SETUP="$windows_root\\${build//\//\\}\\SonografSetup.exe" \
  SONOGRAF_BUSY_SHOT="$windows_root\\build\\installer-busy.bmp" \
    cmake/wine-run.sh "$kind" "$build/tests/e2e_window.exe" --gtest_filter='*BusyPanel*' >/dev/null 2>&1 || true
  if [ -f build/installer-busy.bmp ] && convert build/installer-busy.bmp -alpha off build/installer-busy.png; then
    rm -f build/installer-busy.bmp
    echo "Screenshot of the busy installer: build/installer-busy.png"
  fi
}

run_installer() {
  local installer=build/win32/SonografSetup.exe kind=win32
  if ! can_run_32bit_wine; then
    echo "NOTE: this machine cannot run 32-bit Wine; running the 64-bit build of the same sources."
    installer=build/win64/SonografSetup.exe kind=win64
  fi
  export SONOGRAF_WINE_ROOT=$root/build/wine-run
  if [ -n "${DISPLAY:-}" ]; then
    trap stop_wine EXIT
    set +e
    cmake/wine-run.sh $kind "$installer" "$@"
    echo "Installer exit code: $?"
    return 0
  fi
  start_display
  trap cleanup EXIT
  cmake/wine-run.sh $kind "$installer" "$@" &
  local installer_pid=$!
  local title="Orvane Sonograf Installation (Version " window=
  # A fresh prefix boots first, which takes a minute on a busy machine.
  for _ in $(seq 600); do
    window=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | awk '{print $1}' | head -1 || true)
    [ -n "$window" ] && break
    kill -0 $installer_pid 2>/dev/null || break
    sleep 0.2
  done
  sleep 1
  if [ -n "$window" ]; then
    import -window "$window" build/installer.png && echo "Screenshot of the installer window: build/installer.png"
  else
    echo "The installer window did not appear" >&2
  fi
  stop_wine
  wait $installer_pid || true
  busy_screenshot $kind
  echo "Silent install (-h -i):"
  set +e
  cmake/wine-run.sh $kind "$installer" -h -i
  local code=$?
  set -e
  echo "Installer exit code: $code (low 8 bits as the shell sees them)"
  local drive_c=$SONOGRAF_WINE_ROOT/$([ $kind = win32 ] && echo win32 || echo win64)/drive_c
  find "$drive_c/Program Files/OV" "$drive_c/Program Files (x86)/OV" 2>/dev/null | sed "s|^$drive_c|C:|" || true
}

run_bench() {
  echo "== host build (native, -O2)"
  build/host/bench/package_bench
  local kinds=(win64)
  if can_run_32bit_wine; then
    kinds=(win32 win64)
  else
    echo "NOTE: this machine cannot run 32-bit Wine, so the shipped i686 build's benchmark cannot run here."
  fi
  trap cleanup EXIT
  local kind
  for kind in "${kinds[@]}"; do
    echo "== $kind build under Wine (the installer's compiler and flags)"
    cmake/wine-run.sh "$kind" "build/$kind/bench/package_bench.exe"
  done
  stop_wine
  # The installer end to end, in a prefix of its own (the tests' prefixes
  # stay as they are) on a display of its own.
  kind=${kinds[0]}
  echo "== installer end to end, $kind build under Wine"
  export SONOGRAF_WINE_ROOT=$root/build/wine-bench
  start_display
  cmake/wine-run.sh "$kind" "build/$kind/bench/installer_bench.exe" "$@"
  echo "== installer"
  python3 tests/check_installer.py build/win32/SonografSetup.exe | grep '^installer:'
}

command=${1:-build}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
install_missing
build_all
sign_installer
case $command in
  build) ;;
  run) run_installer "$@" ;;
  test) run_tests ;;
  bench) run_bench "$@" ;;
  *) echo "usage: ./build.sh [build|run [-- ARGS]|test|bench [-- ROUNDS]]" >&2; exit 2 ;;
esac

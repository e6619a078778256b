#!/usr/bin/env bash
# pack_link_test.sh PACKER WINE_RUN KIND TOOL_EXE WORKDIR
# The Windows package tool extracts into a folder that already holds a link
# named like a folder of the package (a symbolic link to a folder, which Wine
# shows as a reparse point): it must not write through the link, must name
# the file it could not write and exit with 2, and still write the other file,
# replacing the hard link to a file outside that is already at its name
# instead of writing through it.
set -euo pipefail
packer=$1 wine_run=$2 kind=$3 tool=$4 work=$5
rm -rf "$work"
mkdir -p "$work/elsewhere" "$work/target"
trap 'rm -rf "$work"' EXIT
ln -s ../elsewhere "$work/target/bin"
printf 'outside' >"$work/outside.txt"
ln "$work/outside.txt" "$work/target/readme.txt"
printf 'MZ app' >"$work/app.exe"
printf 'read me' >"$work/readme.txt"
"$packer" build "$work/pkg.bin" "$work/app.exe" "$work/readme.txt" 'bin\sonograf.exe' readme.txt >/dev/null

windows() { local path=$1; echo "Z:${path//\//\\}"; }
status=0
output=$("$wine_run" "$kind" "$tool" extract "$(windows "$work/pkg.bin")" "$(windows "$work/target")" 2>&1) ||
  status=$?
problems=
[ "$status" -eq 2 ] || problems+="; exit code $status, expected 2"
[ -z "$(ls -A "$work/elsewhere")" ] || problems+="; wrote through the link: $(ls "$work/elsewhere")"
[ "$(cat "$work/target/readme.txt" 2>/dev/null)" = 'read me' ] || problems+="; readme.txt not written"
[ "$(cat "$work/outside.txt")" = outside ] || problems+="; wrote through the hard link at readme.txt"
[ "$(ls -A "$work/target" | tr '\n' ' ')" = 'bin readme.txt ' ] || problems+="; left $(ls -A "$work/target")"
grep -qF 'cannot write' <<<"$output" || problems+="; the file not written is not named"
problems=${problems#; }
echo "extract into a folder holding a link: ${problems:-ok}"
[ -z "$problems" ] || { echo "$output"; exit 1; }

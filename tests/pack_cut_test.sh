#!/usr/bin/env bash
# pack_cut_test.sh PACKER SETUP_EXE WORKDIR
# The real installer (PE32 or PE32+, several sections) carries its package as
# built, filling the resource; `list` and `verify` both refuse a copy of it
# cut short, as a broken download leaves it, also where the whole package is
# still there. Damaged packages, also inside an executable, are the host
# tests' concern.
set -euo pipefail
packer=$1 setup=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

listing=$("$packer" list "$setup")
base=$(sed -n 's/.*RCDATA 100 at file offset \([0-9]*\)).*/\1/p' <<<"$listing")
package_size=$(sed -n 's/.*: package of \([0-9]*\) bytes.*/\1/p' <<<"$listing")
[ -n "$base" ] || { echo "no package resource found in $setup"; exit 1; }
# The package fills its resource: entry 0 right after the header, entry 1 ending at the last byte.
grep -q '^entry 0 "[^"]*": offset 312, .*, ok$' <<<"$listing" &&
  grep -q "^entry 1 \"[^\"]*\": .*, end $package_size, .*, ok\$" <<<"$listing" ||
  { echo "the package is broken or does not fill its resource:"; echo "$listing"; exit 1; }

failures=0
# expect_cut LENGTH: a copy of the first LENGTH bytes fails list and verify.
expect_cut() {
    local length=$1 copy=$work/cut_$1.exe command
    head -c "$length" "$setup" >"$copy"
    for command in list verify; do
        local status=0 output verdict=ok
        output=$("$packer" "$command" "$copy" 2>&1) || status=$?
        [ "$status" -eq 1 ] || verdict="exit code $status, expected 1"
        grep -q "the executable is cut short" <<<"$output" || verdict="not called cut short"
        echo "$command of the first $length bytes: $verdict"
        [ "$verdict" = ok ] || { echo "$output"; failures=$((failures + 1)); }
    done
}

expect_cut $(( base + package_size ))
expect_cut $(( $(stat -c %s "$setup") - 1024 ))
exit $(( failures > 0 ))

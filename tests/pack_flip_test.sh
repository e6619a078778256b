#!/usr/bin/env bash
# pack_flip_test.sh PACKER SETUP_EXE WORKDIR
# `verify` fails on a copy of the installer with one stored byte flipped and
# names the damaged entry: a byte of entry 0 fails both entries (entry 1's key
# derives from entry 0's stored bytes), a byte of entry 1 fails entry 1 alone.
# `list` and `verify` both refuse a copy cut short, as a broken download leaves
# it, also where the whole package is still there.
set -euo pipefail
packer=$1 setup=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

listing=$("$packer" list "$setup")
base=$(sed -n 's/.*RCDATA 100 at file offset \([0-9]*\)).*/\1/p' <<<"$listing")
package_size=$(sed -n 's/.*: package of \([0-9]*\) bytes.*/\1/p' <<<"$listing")
entry_field() { sed -n "s/^entry $1 \"[^\"]*\": offset \([0-9]*\), size \([0-9]*\),.*/\\$2/p" <<<"$listing"; }
[ -n "$base" ] || { echo "no package resource found in $setup"; exit 1; }

failures=0
# expect ENTRY "FAILING..." "SOUND...": flip the middle stored byte of ENTRY;
# verify must name each FAILING entry's digest mismatch and no SOUND entry.
expect() {
    local entry=$1 failing=$2 sound=$3 copy=$work/flipped_$1.exe
    local position=$(( base + $(entry_field "$entry" 1) + $(entry_field "$entry" 2) / 2 ))
    cp "$setup" "$copy"
    local byte
    byte=$(od -An -tu1 -j "$position" -N1 "$copy" | tr -d ' ')
    printf "$(printf '\\%03o' $(( byte ^ 0xFF )))" | dd of="$copy" bs=1 seek="$position" conv=notrunc status=none
    local status=0 output
    output=$("$packer" verify "$copy" 2>&1) || status=$?
    local verdict=ok index
    [ "$status" -eq 1 ] || verdict="exit code $status, expected 1"
    for index in $failing; do
        grep -q "entry $index \"[^\"]*\": digest mismatch" <<<"$output" || verdict="entry $index not named"
    done
    for index in $sound; do
        ! grep -q "entry $index \"" <<<"$output" || verdict="entry $index named though sound"
    done
    echo "flipped byte at $position in entry $entry: $verdict"
    [ "$verdict" = ok ] || { echo "$output"; failures=$((failures + 1)); }
}

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

expect 0 "0 1" ""
expect 1 "1" "0"
expect_cut $(( base + package_size ))
expect_cut $(( $(stat -c %s "$setup") - 1024 ))
exit $(( failures > 0 ))

#!/usr/bin/env bash
# run_fuzz.sh FUZZER SEEDS EXTRA_SEED SECONDS
# Runs a fuzzer for SECONDS over a fresh working corpus that starts from the
# generated seeds and, when that file exists, EXTRA_SEED (the real package).
# Exits non-zero when the fuzzer finds a crash, leak or invariant failure;
# the input that caused it is kept as crash-* in the folder it was run from.
set -eu
fuzzer=$1 seeds=$2 real=$3 seconds=$4
artifacts=$(pwd)/
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" "$work/seeds"
cp "$seeds"/* "$work/seeds/"
if [ -f "$real" ]; then cp "$real" "$work/seeds/extra_seed.bin"; fi
cd "$work"
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts" \
  "$work/corpus" "$work/seeds" 2>fuzz.log || { tail -60 fuzz.log; exit 1; }
grep -E '^(Done|stat::number_of_executed_units)' fuzz.log

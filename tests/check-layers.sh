#!/usr/bin/env bash
# Fails when a file includes a header of a folder above its own floor.
# Floors, from the ground up: core, platform, package, setup, app. tools/,
# payload/, bench/ and fuzz/ stand beside app/ and may use anything below it.
set -u
cd "$(dirname "$0")/.."
floor() {
  case $1 in
    core) echo 0 ;; platform) echo 1 ;; package) echo 2 ;; setup) echo 3 ;;
    tools | payload | bench | fuzz) echo 3.5 ;; app) echo 4 ;; *) echo "" ;;
  esac
}
status=0
while IFS= read -r match; do
  file=${match%%:*}
  header=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${match#*:}")
  own=$(floor "${file%%/*}") used=$(floor "${header%%/*}")
  [ -n "$used" ] || continue
  if awk -v a="$used" -v b="$own" 'BEGIN { exit !(a > b) }'; then
    echo "$file includes $header, a header of a higher floor"
    status=1
  fi
done < <(grep -rE --include='*.h' --include='*.cpp' --include='*.c' '^[[:space:]]*#[[:space:]]*include "' \
           core platform package setup app tools payload bench fuzz)
[ $status = 0 ] && echo "every include points down"
exit $status

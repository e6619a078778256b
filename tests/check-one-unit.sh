#!/usr/bin/env bash
# The installer compiles the product's sources (core, platform, package,
# setup, app) as one unit, so what one file keeps to itself is seen by every
# file after it. Fails when two of them define the same file-local name
# (file-scope static, or anything at the top of an anonymous namespace), or
# when a file leaves a macro defined (a #define without a later #undef).
set -u
cd "$(dirname "$0")/.."
sources=$(ls core/*.cpp platform/*.cpp package/*.cpp setup/*.cpp app/*.cpp)

# Prints "name file" for each file-local name of one file. Declarations at
# file scope start in the first column; an anonymous namespace is closed by
# "}  // namespace" in the first column.
local_names() {
  awk -v file="$1" '
    function report(text, name) {
      if (text ~ /^typedef/) {  # the name is the last one before ";" or in "(* name)"
        if (match(text, /\([ \t]*[A-Z_]*[ \t]*\*[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*\)/)) {
          name = substr(text, RSTART, RLENGTH); gsub(/[()* \t]|WINAPI|CALLBACK/, "", name)
        } else {
          sub(/[ \t]*;.*/, "", text); name = text; sub(/.*[^A-Za-z0-9_]/, "", name)
        }
      } else {
        sub(/[ \t]*(\(|=|\[|;|\{|:).*/, "", text); name = text; sub(/.*[^A-Za-z0-9_]/, "", name)
      }
      if (name != "" && name != "operator") print name, file
    }
    /^namespace \{/ { anonymous = 1; next }
    /^\}  \/\/ namespace/ { anonymous = 0; next }
    /^(static|template|extern) / && !anonymous { if ($1 == "static") report(substr($0, 8)); next }
    anonymous && /^[A-Za-z_]/ && !/^(template|using namespace) / { report($0) }
  ' "$1" | sort -u
}

status=0
duplicates=$(for file in $sources; do local_names "$file"; done | sort -k1,1 |
  awk '{ files[$1] = files[$1] " " $2; count[$1]++ } END { for (n in count) if (count[n] > 1) print n ":" files[n] }')
if [ -n "$duplicates" ]; then
  echo "file-local names defined in more than one product source (one unit):"
  echo "$duplicates" | sort
  status=1
fi

for file in $sources; do
  left=$(awk '
    /^[ \t]*#[ \t]*define[ \t]/ { name = $0; sub(/^[ \t]*#[ \t]*define[ \t]+/, "", name); sub(/[^A-Za-z0-9_].*/, "", name); open[name] = 1 }
    /^[ \t]*#[ \t]*undef[ \t]/ { name = $0; sub(/^[ \t]*#[ \t]*undef[ \t]+/, "", name); sub(/[^A-Za-z0-9_].*/, "", name); delete open[name] }
    END { for (n in open) print n }' "$file")
  for name in $left; do
    echo "$file leaves the macro $name defined for the files after it"
    status=1
  done
done

[ $status = 0 ] && echo "no file-local name twice, no macro left defined"
exit $status

#!/bin/sh
# Redraws the program's icons and about-box logo in assets/icons/ with
# tools/icon_gen. The generator runs twice and the two outputs must match
# byte for byte; the checksum printed at the end lets another machine
# compare its result.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset native >/dev/null
cmake --build --preset native --target icon_gen
gen=build/native/tools/icon_gen

# Icons of renamed resources must not survive.
rm -rf assets/icons
"$gen" assets/icons

again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
"$gen" "$again"
if ! diff -r assets/icons "$again" >/dev/null; then
  echo "make_icons.sh: two runs of icon_gen differ" >&2
  exit 1
fi

sum=$(cd assets/icons && find . -type f | LC_ALL=C sort | xargs sha256sum | sha256sum | cut -d' ' -f1)
echo "icons: $(find assets/icons -type f | wc -l) files, sha256 of all: $sum"

#!/bin/sh
# Regenerates the default sound schemes in assets/ (schemes.cfg and
# Schemes/<name>/*.wav) and their measurements in tools/schemes_report.md.
# The generator runs twice and the two outputs must match byte for byte; the
# checksum printed at the end lets another machine compare its result.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if grep -q 'add_subdirectory(tools)' CMakeLists.txt; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target scheme_gen
  gen=build/native/tools/scheme_gen
else
  # A tree that does not build tools/ yet: the generator is a single file.
  mkdir -p build/tools
  ${CXX:-g++} -std=c++20 -O2 -Wall -Wextra -o build/tools/scheme_gen tools/scheme_gen.cpp
  gen=build/tools/scheme_gen
fi

# Stale files of renamed categories or schemes must not survive.
rm -rf assets/Schemes assets/schemes.cfg
mkdir -p assets
"$gen" assets --report tools/schemes_report.md

again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
"$gen" "$again"
if ! diff -r assets/Schemes "$again/Schemes" >/dev/null || ! cmp -s assets/schemes.cfg "$again/schemes.cfg"; then
  echo "make_schemes.sh: two runs of scheme_gen differ" >&2
  exit 1
fi

sum=$(cd assets && find schemes.cfg Schemes -type f | LC_ALL=C sort | xargs sha256sum | sha256sum | cut -d' ' -f1)
echo "schemes: $(find assets/Schemes -name '*.wav' | wc -l) files, sha256 of all: $sum"

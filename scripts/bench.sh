#!/usr/bin/env bash
# Builds and runs the benchmarks: the native ones (optimised, no sanitizers)
# and the audio library's key-event benchmark under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
[ -f build/bench/CMakeCache.txt ] || cmake --preset bench >/dev/null
cmake --build --preset bench
if [ -x build/bench/tests/bench/brisolt_bench ]; then
  build/bench/tests/bench/brisolt_bench
fi
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap brisolt_wine_stop EXIT
wine build/win64/tests/bass_bench.exe
wine build/win64/tests/key_event_bench.exe

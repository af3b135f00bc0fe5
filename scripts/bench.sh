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
# Files for the audio library's loads of other formats than WAV, and
# ffmpeg's time for decoding the 1-second MP3 (user time, one thread, best of
# three; the file decoded 100 times over in one run, as ffmpeg counts whole
# milliseconds) to set its decoding beside.
sounds="$root/build/bench-sounds"
mkdir -p "$sounds"
sox -R -D -n -r 44100 -c 2 -b 16 "$sounds/sprite.wav" synth 40 pinknoise sine 200-4000 vol 0.4
oggenc -Q -q 10 "$sounds/sprite.wav" -o "$sounds/sprite.ogg"
sox -R -D -n -r 44100 -c 1 -b 16 "$sounds/click.wav" synth 0.1 pinknoise fade 0 0.1 0.09 vol 0.5
lame --quiet "$sounds/click.wav" "$sounds/click.mp3"
sox -R -D -n -r 44100 -c 2 -b 16 "$sounds/second.wav" synth 1 pinknoise sine 300-3000 vol 0.4
lame --quiet -b 192 "$sounds/second.wav" "$sounds/second.mp3"
ffmpeg_ms=$(for _ in 1 2 3; do
  ffmpeg -nostdin -hide_banner -threads 1 -benchmark -stream_loop 99 -i "$sounds/second.mp3" -f null - 2>&1 |
    sed -n 's/.*utime=\([0-9.]*\)s.*/\1/p'
done | sort -n | head -1 | awk '{ printf "%.3f", $1 * 1000 / 100 }')
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap brisolt_wine_stop EXIT
BRISOLT_BENCH_SOUNDS="Z:${sounds//\//\\}" BRISOLT_FFMPEG_MP3_MS="$ffmpeg_ms" wine build/win64/tests/bass_bench.exe
BRISOLT_BENCH_SOUNDS="Z:${sounds//\//\\}" wine build/win64/tests/key_event_bench.exe

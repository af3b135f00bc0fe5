#!/usr/bin/env bash
# Sound files in every format the audio library reads, made by Debian's
# encoders from sounds sox synthesises, and beside each what ffmpeg decodes
# from it (raw 32-bit float, at the file's rate and channels) for the tests
# to compare the library's own decoding with. Usage: make_sound_fixtures.sh DIR
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
synth() { sox -R -D -n "$@"; }
# A quarter second of 1 kHz.
synth -r 44100 -c 2 -b 16 tone.wav synth 0.25 sine 1000 vol 0.5
oggenc -Q -s 1 -q 6 tone.wav -o tone.ogg
# Half a second of a rising sweep on the left and a falling one on the right:
# no two stretches alike, so a comparison finds the one alignment.
synth -r 44100 -c 2 -b 16 sweep.wav synth 0.5 sine 200-6000 sine 5000-300 vol 0.5
# The same at 24 bits and 48 kHz, straight to FLAC.
synth -r 48000 -c 2 -b 24 sweep24.flac synth 0.5 sine 200-6000 sine 5000-300 vol 0.5
# A 100 ms click at full strength from its first frame: any silence a decoder
# puts before it shows.
synth -r 44100 -c 1 -b 16 click.wav synth 0.1 square 1500 fade 0 0.1 0.08 vol 0.5
lame --quiet -b 192 sweep.wav sweep.mp3
# MPEG-2 (576 frames a block) in mono.
lame --quiet -m m --resample 22.05 -b 64 sweep.wav sweep22.mp3
lame --quiet click.wav click.mp3
ffmpeg -nostdin -loglevel error -y -i sweep.wav -c:a aac -b:a 192k sweep.m4a
flac --silent -f sweep.wav -o sweep.flac
# Key sounds for the whole program: 1 kHz in Ogg Vorbis, 1.5 kHz in MP3.
synth -r 44100 -c 1 -b 16 key1000.wav synth 0.15 sine 1000 vol 0.37 fade 0 0.15 0.005
synth -r 44100 -c 1 -b 16 key1500.wav synth 0.15 sine 1500 vol 0.37 fade 0 0.15 0.005
oggenc -Q -s 2 -q 4 key1000.wav -o key1000.ogg
lame --quiet -b 128 key1500.wav key1500.mp3
for f in sweep.mp3 sweep22.mp3 click.mp3 sweep.m4a sweep.flac sweep24.flac; do
  ffmpeg -nostdin -loglevel error -y -i "$f" -f f32le -c:a pcm_f32le "$f.f32"
done

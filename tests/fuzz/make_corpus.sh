#!/bin/sh
# Regenerates the seed corpus of the WAV decoder fuzz target: one tiny file
# per encoding the decoder reads, a few of them multi-channel. sox's -R
# keeps the output identical from run to run, so the committed files only change
# when this script does.
set -eu
out="$(dirname "$0")/corpus"
mkdir -p "$out"
make() {  # name, channels, sox output options, seconds
  sox -R -D -r 8000 -c "$2" -n $3 "$out/$1.wav" synth "$4" sine 440 square 300 sawtooth 700
}
make pcm_u8_mono 1 "-e unsigned-integer -b 8" 0.02
make pcm_s16_stereo 2 "-e signed-integer -b 16" 0.01
make pcm_s24_ext_3ch 3 "-e signed-integer -b 24" 0.005
make pcm_s32_ext_mono 1 "-e signed-integer -b 32" 0.005
make float32_mono 1 "-e floating-point -b 32" 0.005
make float64_mono 1 "-e floating-point -b 64" 0.003
make mulaw_stereo 2 "-e u-law" 0.01
make alaw_mono 1 "-e a-law" 0.02
make ima_mono 1 "-e ima-adpcm" 0.02
make msadpcm_mono 1 "-e ms-adpcm" 0.02
make msadpcm_stereo 2 "-e ms-adpcm" 0.005
make ima_stereo 2 "-e ima-adpcm" 0.005
make pcm_s16_ext_6ch 6 "-e signed-integer -b 16" 0.002

# Seeds of the sound decoder target: tiny Ogg Vorbis files (fixed stream
# serials, so that they come out the same each time).
ogg="$(dirname "$0")/sound_corpus"
mkdir -p "$ogg"
tmp=$(mktemp -d)
vorbis() {  # name, rate, channels, serial
  sox -R -D -n -r "$2" -c "$3" -b 16 "$tmp/$1.wav" synth 0.05 sine 440 square 300
  oggenc -Q -s "$4" -q 0 "$tmp/$1.wav" -o "$ogg/$1.ogg"
}
vorbis mono 8000 1 1
vorbis stereo 11025 2 2
vorbis three 8000 3 3
# And the headers the library reads of the formats Windows decodes: an MP3
# with its encoder's summary (MPEG-1 and MPEG-2), one after an ID3v2 tag, and
# a FLAC file.
sox -R -D -n -r 22050 -c 1 -b 16 "$tmp/short.wav" synth 0.05 sine 440
lame --quiet -b 32 "$tmp/short.wav" "$ogg/mpeg2.mp3"
lame --quiet -b 32 --resample 44.1 "$tmp/short.wav" "$ogg/mpeg1.mp3"
lame --quiet -b 32 --tt Seed --add-id3v2 "$tmp/short.wav" "$ogg/tagged.mp3"
flac --silent --no-padding -f "$tmp/short.wav" -o "$ogg/short.flac"
rm -rf "$tmp"

#pragma once
// The one door for a sound file's bytes: the format is told by the content
// and the matching decoder runs. Portable: no <windows.h>.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "bass/sound_format.h"
#include "bass/wav_decoder.h"

// The system's own decoders, for the formats read through them (MP3, MP4,
// FLAC); same results as DecodeSound.
using SystemDecoder = std::function<int(const uint8_t* data, size_t size, SoundFormat format, DecodedWav& out)>;

// Decodes a whole file image into `out`: RIFF/WAVE and Ogg Vorbis here, MP3,
// MP4 and FLAC through `system`. Returns kBassOk or the decoder's error code;
// data of no format read here is kBassErrorFileForm (41), a format that
// needs the system's decoders when there are none kBassErrorCodec (44). An
// MP3 is cut to the sound its encoder was given, as its summary frame says,
// whether or not the system's decoder cut it.
int DecodeSound(const uint8_t* data, size_t size, DecodedWav& out, const SystemDecoder& system = {});

// `lengthMs` of `wav` from `startMs` on (cut short at its end), with its
// rate, channels and precision; false when it begins at or past the end.
bool SliceOf(const DecodedWav& wav, uint32_t startMs, uint32_t lengthMs, DecodedWav& slice);

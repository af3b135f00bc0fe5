#pragma once
// The one door for a sound file's bytes: the format is told by the content
// and the matching decoder runs. Portable: no <windows.h>.

#include <cstddef>
#include <cstdint>

#include "bass/wav_decoder.h"

// Decodes a whole file image of a format the library reads here (RIFF/WAVE,
// Ogg Vorbis) into `out`. Returns kBassOk or the decoder's error code; data of
// no format read here is kBassErrorFileForm (41).
int DecodeSound(const uint8_t* data, size_t size, DecodedWav& out);

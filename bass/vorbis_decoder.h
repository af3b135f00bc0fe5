#pragma once
// Ogg Vorbis decoder for untrusted files (stb_vorbis underneath). Portable:
// no <windows.h>.

#include <cstddef>
#include <cstdint>

#include "bass/wav_decoder.h"

// Decodes a whole Ogg Vorbis file image into `out`, as DecodeWav does a WAV.
// Returns kBassOk, or kBassErrorFileForm (41) for data that is not an Ogg
// Vorbis stream or whose headers are broken, kBassErrorFormat (6) for a
// stream of more channels or another rate than the library plays, or of 5.1
// channels (which stb_vorbis decodes wrongly), kBassErrorMem
// (1) when memory runs out or the decoder would need more than its fixed
// arena. A stream damaged after its headers gives what decodes before the
// damage; one of which nothing decodes is an error. At most ten minutes are
// decoded. Never reads outside [data, data + size).
int DecodeVorbis(const uint8_t* data, size_t size, DecodedWav& out);

#pragma once
// RIFF/WAVE decoder for untrusted files. Portable: no <windows.h>.

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedWav {
  uint32_t sampleRate = 0;   // frames per second, 1000..384000
  uint16_t channels = 0;     // 1..8
  uint32_t channelMask = 0;  // speaker positions (WAVE_FORMAT_EXTENSIBLE), or 0 when the file has none
  std::vector<float> samples;  // interleaved, channels per frame, full scale = +-1.0
  // The source holds no more than 16 bits a sample (every lossy format, WAV
  // and FLAC of 8 or 16 bits): kept at 16 bits, nothing is lost.
  bool sixteenBits = false;
};

// Decodes a whole file image. Returns kBassOk (0) or the library's error code:
// kBassErrorFileForm (41) for data that is not a RIFF/WAVE file or whose
// structure is broken, kBassErrorFormat (6) for a WAV in an encoding, channel
// count, bit depth or rate that is not supported, kBassErrorMem (1) when memory
// runs out. Never reads outside [data, data + size).
int DecodeWav(const uint8_t* data, size_t size, DecodedWav& out);

// Mixes any channel layout down (or mono up) to interleaved stereo.
std::vector<float> ToStereo(const DecodedWav& wav);
// The same, taking the samples over when they are stereo already (a sprite's
// forty seconds are not copied).
std::vector<float> ToStereo(DecodedWav&& wav);

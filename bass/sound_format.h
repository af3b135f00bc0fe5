#pragma once
// What kind of sound file a file image holds, told by its content, never by
// its name. Portable: no <windows.h>.

#include <cstddef>
#include <cstdint>

enum class SoundFormat {
  kUnknown,
  kWav,        // RIFF/WAVE
  kOggVorbis,  // an Ogg stream whose first packet is a Vorbis identification header
  kOggOther,   // an Ogg stream of another codec (Opus, Speex, FLAC in Ogg, ...)
  kMp3,        // MPEG audio layer III frames, after an ID3v2 tag or none
  kMp4,        // an ISO media file (M4A, MP4): "ftyp" first
  kFlac,       // native FLAC: "fLaC" first, after an ID3v2 tag or none
};

SoundFormat RecognizeSound(const uint8_t* data, size_t size);

// Limits every decoder keeps to, checked before allocating.
inline constexpr uint32_t kMaxDecodedChannels = 8;
inline constexpr uint32_t kMaxDecodedSeconds = 600;

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

// What an MP3 file's encoder summary (a Xing or Info frame with the
// encoder's tag) says of its length: the decoder's output holds `skipFrames`
// frames of the encoder's and the decoder's delay, then the `frames` frames
// of the sound, then padding, `decodedFrames` in all (the summary frame
// itself not counted). `known` is false for a file without the summary.
struct Mp3Gapless {
  bool known = false;
  uint32_t rate = 0;
  uint32_t samplesPerFrame = 0;
  uint64_t decodedFrames = 0;
  uint64_t skipFrames = 0;
  uint64_t frames = 0;
};
// The layer III synthesis filter delays every decoder's output by this much.
inline constexpr uint32_t kMp3DecoderDelay = 529;

Mp3Gapless ReadMp3Gapless(const uint8_t* data, size_t size);

// The bits per sample a native FLAC file's stream information gives, or 0.
uint32_t FlacBitsPerSample(const uint8_t* data, size_t size);

// An ISO media file whose top-level boxes follow one another to its end, one
// of them the movie box: a file cut short or with noise after its header is
// not handed to a system decoder (some wait for the missing bytes forever).
bool Mp4BoxesWhole(const uint8_t* data, size_t size);

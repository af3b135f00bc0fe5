// libFuzzer target: telling the format and decoding (WAV and Ogg Vorbis
// through stb_vorbis) on arbitrary bytes, and what is read from the headers
// of the formats the system decodes (an MP3's encoder summary, which cuts
// the system's output, and FLAC's bits per sample). Besides the sanitizers'
// findings, a broken promise of the interface aborts.

#include <cmath>
#include <cstdlib>

#include "bass/bass_errors.h"
#include "bass/sound_decoder.h"
#include "bass/sound_format.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SoundFormat format = RecognizeSound(data, size);
  const bool systemFormat =
      format == SoundFormat::kMp3 || format == SoundFormat::kMp4 || format == SoundFormat::kFlac;
  // The system's decoder stood in for by one that gives a length the bytes
  // choose, mono, at the rate the MP3 header gives.
  const Mp3Gapless gapless = ReadMp3Gapless(data, size);
  Require(!gapless.known || (gapless.frames > 0 && gapless.frames <= gapless.decodedFrames &&
                             gapless.samplesPerFrame > 0 && gapless.decodedFrames % gapless.samplesPerFrame == 0));
  Require(FlacBitsPerSample(data, size) <= 32);
  size_t given = 0;
  for (size_t i = 0; i < size && i < 3; ++i) given = given * 256 + data[i];
  given %= 200000;
  DecodedWav sound;
  const int result = DecodeSound(data, size, sound, [&](const uint8_t*, size_t, SoundFormat, DecodedWav& out) {
    out.sampleRate = gapless.known ? gapless.rate : 44100;
    out.channels = 1;
    out.samples.assign(given + 1, 0.25f);
    return kBassOk;
  });
  if (result != kBassOk) {
    Require(result == kBassErrorFileForm || result == kBassErrorFormat || result == kBassErrorMem);
    Require(sound.samples.empty() && sound.channels == 0);
    return 0;
  }
  if (systemFormat) {
    Require(!sound.samples.empty() && sound.samples.size() <= given + 1);
    // Without the system's decoders, its formats are "no codec".
    DecodedWav none;
    Require(DecodeSound(data, size, none) == kBassErrorCodec);
    return 0;
  }
  Require(format == SoundFormat::kWav || format == SoundFormat::kOggVorbis);
  Require(sound.channels >= 1 && sound.channels <= kMaxDecodedChannels);
  Require(sound.sampleRate >= 1000 && sound.sampleRate <= 384000);
  Require(sound.samples.size() % sound.channels == 0);
  Require(sound.samples.size() / sound.channels <= size_t{sound.sampleRate} * kMaxDecodedSeconds ||
          format == SoundFormat::kWav);
  for (float s : sound.samples) Require(std::isfinite(s));
  return 0;
}

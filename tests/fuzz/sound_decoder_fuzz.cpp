// libFuzzer target: telling the format and decoding (WAV and Ogg Vorbis
// through stb_vorbis) on arbitrary bytes. Besides the sanitizers' findings, a
// broken promise of the interface aborts.

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
  DecodedWav sound;
  const int result = DecodeSound(data, size, sound);
  if (result != kBassOk) {
    Require(result == kBassErrorFileForm || result == kBassErrorFormat || result == kBassErrorMem);
    Require(sound.samples.empty() && sound.channels == 0);
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

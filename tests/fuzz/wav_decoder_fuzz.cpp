// libFuzzer target: the WAV decoder and the down-mix on arbitrary bytes.
// Besides the sanitizers' findings, a broken promise of the interface aborts.

#include <cmath>
#include <cstdlib>

#include "bass/bass_errors.h"
#include "bass/wav_decoder.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodedWav wav;
  const int result = DecodeWav(data, size, wav);
  if (result != kBassOk) {
    Require(result == kBassErrorFileForm || result == kBassErrorFormat || result == kBassErrorMem);
    Require(wav.samples.empty() && wav.channels == 0);
    return 0;
  }
  Require(wav.channels >= 1 && wav.channels <= 8);
  Require(wav.sampleRate >= 1000 && wav.sampleRate <= 384000);
  Require(wav.samples.size() % wav.channels == 0);
  // Every encoding decodes to full scale at most, and the down-mix is scaled
  // so that it stays there.
  for (float s : wav.samples) Require(std::fabs(s) <= 1.0f);
  const std::vector<float> stereo = ToStereo(wav);
  Require(stereo.size() == wav.samples.size() / wav.channels * 2);
  for (float s : stereo) Require(std::fabs(s) <= 1.0f + 1e-5f);
  return 0;
}

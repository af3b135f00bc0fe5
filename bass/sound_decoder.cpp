#include "bass/sound_decoder.h"

#include "bass/bass_errors.h"
#include "bass/sound_format.h"
#include "bass/vorbis_decoder.h"

#include <algorithm>

namespace {

// Cuts an MP3 decode to the sound its encoder was given, as its summary
// frame says: the delays at the start, the padding at the end. A decoder
// that kept the summary frame as a frame of silence gave one frame more; a
// decoder that cut the file itself gave no more than the sound.
void TrimMp3(DecodedWav& wav, const Mp3Gapless& gapless) {
  if (!gapless.known || gapless.rate != wav.sampleRate || wav.channels == 0) return;
  const size_t channels = wav.channels;
  const uint64_t decoded = wav.samples.size() / channels;
  if (decoded <= gapless.frames) return;
  uint64_t skip = gapless.skipFrames;
  if (decoded >= gapless.decodedFrames + gapless.samplesPerFrame) skip += gapless.samplesPerFrame;
  if (skip >= decoded) return;
  const uint64_t keep = std::min<uint64_t>(gapless.frames, decoded - skip);
  wav.samples.erase(wav.samples.begin(), wav.samples.begin() + static_cast<std::ptrdiff_t>(skip * channels));
  wav.samples.resize(static_cast<size_t>(keep * channels));
}

}  // namespace

int DecodeSound(const uint8_t* data, size_t size, DecodedWav& out, const SystemDecoder& system) {
  out = DecodedWav{};
  const SoundFormat format = RecognizeSound(data, size);
  switch (format) {
    case SoundFormat::kWav:
      return DecodeWav(data, size, out);
    case SoundFormat::kOggVorbis:
      return DecodeVorbis(data, size, out);
    case SoundFormat::kMp3: {
      if (!system) return kBassErrorCodec;
      const int result = system(data, size, format, out);
      if (result == kBassOk) TrimMp3(out, ReadMp3Gapless(data, size));
      return result;
    }
    case SoundFormat::kMp4:
      if (!Mp4BoxesWhole(data, size)) return kBassErrorFileForm;
      return system ? system(data, size, format, out) : kBassErrorCodec;
    case SoundFormat::kFlac:
      return system ? system(data, size, format, out) : kBassErrorCodec;
    default:
      return kBassErrorFileForm;
  }
}

bool SliceOf(const DecodedWav& wav, uint32_t startMs, uint32_t lengthMs, DecodedWav& slice) {
  slice = DecodedWav{};
  if (wav.channels == 0 || wav.sampleRate == 0) return false;
  const uint64_t frames = wav.samples.size() / wav.channels;
  const uint64_t first = (uint64_t{startMs} * wav.sampleRate + 500) / 1000;
  if (first >= frames) return false;
  const uint64_t count = std::min<uint64_t>((uint64_t{lengthMs} * wav.sampleRate + 500) / 1000, frames - first);
  if (count == 0) return false;
  slice.sampleRate = wav.sampleRate;
  slice.channels = wav.channels;
  slice.channelMask = wav.channelMask;
  slice.sixteenBits = wav.sixteenBits;
  const auto begin = wav.samples.begin() + static_cast<std::ptrdiff_t>(first * wav.channels);
  slice.samples.assign(begin, begin + static_cast<std::ptrdiff_t>(count * wav.channels));
  return true;
}

#include "bass/sound_decoder.h"

#include "bass/bass_errors.h"
#include "bass/sound_format.h"
#include "bass/vorbis_decoder.h"

int DecodeSound(const uint8_t* data, size_t size, DecodedWav& out) {
  out = DecodedWav{};
  switch (RecognizeSound(data, size)) {
    case SoundFormat::kWav:
      return DecodeWav(data, size, out);
    case SoundFormat::kOggVorbis:
      return DecodeVorbis(data, size, out);
    default:
      return kBassErrorFileForm;
  }
}

#include "bass/sound_format.h"

#include <cstring>

namespace {

bool StartsWith(const uint8_t* data, size_t size, size_t at, const char* text) {
  const size_t n = std::strlen(text);
  return at <= size && size - at >= n && std::memcmp(data + at, text, n) == 0;
}

// An ID3v2 tag's whole length (header, syncsafe size, footer), or 0.
size_t Id3v2Length(const uint8_t* data, size_t size) {
  if (!StartsWith(data, size, 0, "ID3") || size < 10) return 0;
  for (size_t i = 6; i < 10; ++i) {
    if (data[i] & 0x80) return 0;
  }
  const size_t body = (size_t{data[6]} << 21) | (size_t{data[7]} << 14) | (size_t{data[8]} << 7) | data[9];
  const bool footer = (data[5] & 0x10) != 0;
  return 10 + body + (footer ? 10 : 0);
}

// An MPEG audio layer III frame header at `at`, and the next one where its
// length says, so that two bytes of noise that look like a sync word do not
// pass. A lone frame that ends the file counts.
bool Mp3FramesAt(const uint8_t* data, size_t size, size_t at) {
  static const int kBitrates[2][16] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
                                       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
  static const int kRates[3] = {44100, 48000, 32000};
  for (int frame = 0; frame < 2; ++frame) {
    if (at >= size) return frame > 0;
    if (size - at < 4) return false;
    const uint8_t* h = data + at;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    const int version = (h[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layer = (h[1] >> 1) & 3;    // 1: layer III
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    const int rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int bitrate = kBitrates[version == 3 ? 0 : 1][bitrateIndex] * 1000;
    const int padding = (h[2] >> 1) & 1;
    const size_t length = static_cast<size_t>((version == 3 ? 144 : 72) * bitrate / rate + padding);
    at += length;
  }
  return true;
}

}  // namespace

SoundFormat RecognizeSound(const uint8_t* data, size_t size) {
  if (data == nullptr || size < 4) return SoundFormat::kUnknown;
  if (StartsWith(data, size, 0, "RIFF") && StartsWith(data, size, 8, "WAVE")) return SoundFormat::kWav;
  if (StartsWith(data, size, 0, "OggS")) {
    // The first page's first packet follows its segment table.
    if (size < 27) return SoundFormat::kOggOther;
    const size_t packet = 27 + size_t{data[26]};
    return StartsWith(data, size, packet, "\x01vorbis") ? SoundFormat::kOggVorbis : SoundFormat::kOggOther;
  }
  if (StartsWith(data, size, 4, "ftyp")) return SoundFormat::kMp4;
  const size_t tag = Id3v2Length(data, size);
  if (tag < size && StartsWith(data, size, tag, "fLaC")) return SoundFormat::kFlac;
  if (tag <= size && Mp3FramesAt(data, size, tag)) return SoundFormat::kMp3;
  return SoundFormat::kUnknown;
}

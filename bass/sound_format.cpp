#include "bass/sound_format.h"

#include <algorithm>
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

// An MPEG audio layer III frame header.
struct Mp3Header {
  int version = 0;  // 0: 2.5, 2: 2, 3: 1
  int rate = 0;
  bool mono = false;
  bool crc = false;
  size_t length = 0;  // of the whole frame, in bytes
  uint32_t samplesPerFrame = 0;
};

bool ReadMp3Header(const uint8_t* data, size_t size, size_t at, Mp3Header& header) {
  static const int kBitrates[2][16] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
                                       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
  static const int kRates[3] = {44100, 48000, 32000};
  if (at >= size || size - at < 4) return false;
  const uint8_t* h = data + at;
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
  const int version = (h[1] >> 3) & 3;
  const int layer = (h[1] >> 1) & 3;  // 1: layer III
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  header.version = version;
  header.rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const int bitrate = kBitrates[version == 3 ? 0 : 1][bitrateIndex] * 1000;
  const int padding = (h[2] >> 1) & 1;
  header.length = static_cast<size_t>((version == 3 ? 144 : 72) * bitrate / header.rate + padding);
  header.mono = (h[3] >> 6) == 3;
  header.crc = (h[1] & 1) == 0;
  header.samplesPerFrame = version == 3 ? 1152 : 576;
  return true;
}

// A frame header at `at`, and the next one where its length says, so that
// two bytes of noise that look like a sync word do not pass. A lone frame
// that ends the file counts.
bool Mp3FramesAt(const uint8_t* data, size_t size, size_t at) {
  for (int frame = 0; frame < 2; ++frame) {
    if (at >= size) return frame > 0;
    Mp3Header header;
    if (!ReadMp3Header(data, size, at, header)) return false;
    at += header.length;
  }
  return true;
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
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

Mp3Gapless ReadMp3Gapless(const uint8_t* data, size_t size) {
  Mp3Gapless gapless;
  if (data == nullptr) return gapless;
  const size_t tag = Id3v2Length(data, size);
  Mp3Header header;
  if (tag >= size || !ReadMp3Header(data, size, tag, header)) return gapless;
  // The encoder's summary sits in the first frame's audio data, after the
  // side information, where a decoder reads it as one frame of silence.
  const size_t sideInfo = header.version == 3 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17);
  size_t at = tag + 4 + (header.crc ? 2 : 0) + sideInfo;
  const size_t frameEnd = tag + std::min(header.length, size - tag);
  if (!(StartsWith(data, frameEnd, at, "Xing") || StartsWith(data, frameEnd, at, "Info"))) return gapless;
  if (frameEnd - at < 8) return gapless;
  const uint32_t flags = BigEndian32(data + at + 4);
  at += 8;
  uint32_t frames = 0;
  if (flags & 1) {
    if (frameEnd - at < 4) return gapless;
    frames = BigEndian32(data + at);
    at += 4;
  }
  if (flags & 2) at += 4;    // bytes
  if (flags & 4) at += 100;  // seek table
  if (flags & 8) at += 4;    // quality
  // The encoder's own tag: its name, then the delay and padding 21 bytes in,
  // twelve bits each.
  if (frames == 0 || at > frameEnd || frameEnd - at < 24) return gapless;
  if (!(StartsWith(data, frameEnd, at, "LAME") || StartsWith(data, frameEnd, at, "Lavf") ||
        StartsWith(data, frameEnd, at, "Lavc"))) {
    return gapless;
  }
  const uint8_t* p = data + at + 21;
  const uint32_t delay = (uint32_t{p[0]} << 4) | (p[1] >> 4);
  const uint32_t padding = ((uint32_t{p[1]} & 0x0F) << 8) | p[2];
  const uint64_t decoded = uint64_t{frames} * header.samplesPerFrame;
  if (decoded <= uint64_t{delay} + padding) return gapless;
  gapless.known = true;
  gapless.rate = static_cast<uint32_t>(header.rate);
  gapless.samplesPerFrame = header.samplesPerFrame;
  gapless.decodedFrames = decoded;
  gapless.skipFrames = delay + kMp3DecoderDelay;
  gapless.frames = decoded - delay - padding;
  return gapless;
}

uint32_t FlacBitsPerSample(const uint8_t* data, size_t size) {
  if (data == nullptr) return 0;
  const size_t tag = Id3v2Length(data, size);
  // "fLaC", then the first metadata block, which is always STREAMINFO: a
  // four-byte header, ten bytes of block and frame sizes, then 20 bits of
  // rate, 3 of channels and 5 of bits per sample, less one.
  const size_t at = tag + 4 + 4 + 10;
  if (tag >= size || size - tag < 4 + 4 + 10 + 4 || !StartsWith(data, size, tag, "fLaC")) return 0;
  if ((data[tag + 4] & 0x7F) != 0) return 0;
  return ((uint32_t{data[at + 2]} & 1) << 4 | uint32_t{data[at + 3]} >> 4) + 1;
}

bool Mp4BoxesWhole(const uint8_t* data, size_t size) {
  if (data == nullptr) return false;
  bool movie = false;
  for (size_t at = 0; at < size;) {
    if (size - at < 8) return false;
    uint64_t length = BigEndian32(data + at);
    const bool isMovie = std::memcmp(data + at + 4, "moov", 4) == 0;
    if (at == 0 && std::memcmp(data + 4, "ftyp", 4) != 0) return false;
    if (length == 1) {  // a 64-bit size follows the type
      if (size - at < 16) return false;
      length = (uint64_t{BigEndian32(data + at + 8)} << 32) | BigEndian32(data + at + 12);
      if (length < 16) return false;
    } else if (length == 0) {  // to the end of the file
      length = size - at;
    } else if (length < 8) {
      return false;
    }
    if (length > size - at) return false;  // cut short
    movie = movie || isMovie;
    at += static_cast<size_t>(length);
  }
  return movie;
}

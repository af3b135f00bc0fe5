#include "bass/vorbis_decoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/sound_format.h"
#include "bass/vorbis_config.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

namespace {

constexpr uint32_t kMinRate = 1000;
constexpr uint32_t kMaxRate = 384000;
// All the decoder's memory, given to it up front: a hostile stream's
// codebooks cannot ask for more. Real streams' setups take a few hundred KB.
constexpr size_t kArenaBytes = size_t{8} << 20;
constexpr int kFiveOneChannels = 6;

// Vorbis orders the channels of 3 to 8 its own way; the down-mix expects the
// order of a WAV file's speaker mask. Per channel count: the mask, and for
// each place in WAV order the Vorbis channel that goes there.
struct Layout {
  uint32_t mask;
  uint8_t from[8];
};
constexpr Layout kLayouts[9] = {
    {0, {}},
    {0x4, {0}},                              // mono
    {0x3, {0, 1}},                           // L R
    {0x7, {0, 2, 1}},                        // L C R
    {0x33, {0, 1, 2, 3}},                    // FL FR RL RR
    {0x37, {0, 2, 1, 3, 4}},                 // FL C FR RL RR
    {0x3F, {0, 2, 1, 5, 3, 4}},              // FL C FR RL RR LFE (refused, see below)
    {0x70F, {0, 2, 1, 6, 5, 3, 4}},          // FL C FR SL SR RC LFE
    {0x63F, {0, 2, 1, 7, 5, 6, 3, 4}},       // FL C FR SL SR RL RR LFE
};

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The second packet of the stream (the comment header), gathered from its
// pages' segments; false when the pages end or break before it does.
bool CommentPacket(const uint8_t* data, size_t size, std::vector<uint8_t>& packet) {
  packet.clear();
  size_t index = 0;  // of the packet being read
  for (size_t page = 0; page + 27 <= size;) {
    if (data[page] != 'O' || data[page + 1] != 'g' || data[page + 2] != 'g' || data[page + 3] != 'S') return false;
    const size_t segments = data[page + 26];
    if (size - page - 27 < segments) return false;
    size_t body = page + 27 + segments;
    for (size_t s = 0; s < segments; ++s) {
      const size_t lacing = data[page + 27 + s];
      if (size - body < lacing) return false;
      if (index == 1) packet.insert(packet.end(), data + body, data + body + lacing);
      body += lacing;
      if (lacing < 255 && index++ == 1) return true;
    }
    page = body;
  }
  return false;
}

// stb_vorbis takes the comment header's lengths and count as they stand,
// and on a hostile one overruns its memory or reads through a null pointer
// while cleaning up. Every length is checked against the packet here first,
// and the count against what the decoder's memory can list.
bool CommentsFit(const std::vector<uint8_t>& packet, size_t arenaBytes) {
  size_t at = 7;  // type and "vorbis"
  auto length = [&](uint32_t& value) {
    if (packet.size() - at < 4) return false;
    value = Le32(packet.data() + at);
    at += 4;
    return true;
  };
  uint32_t vendor = 0, count = 0;
  if (packet.size() < at || !length(vendor) || packet.size() - at < vendor) return false;
  at += vendor;
  if (!length(count) || count > (packet.size() - at) / 4 || size_t{count} * sizeof(char*) > arenaBytes / 4) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t comment = 0;
    if (!length(comment) || packet.size() - at < comment) return false;
    at += comment;
  }
  return true;
}

struct Closer {
  stb_vorbis* v;
  ~Closer() { stb_vorbis_close(v); }
};

int Fail(DecodedWav& out, int error) {
  out = DecodedWav{};
  return error;
}

}  // namespace

int DecodeVorbis(const uint8_t* data, size_t size, DecodedWav& out) {
  out = DecodedWav{};
  if (RecognizeSound(data, size) != SoundFormat::kOggVorbis) return kBassErrorFileForm;
  if (size > static_cast<size_t>(INT_MAX) - kArenaBytes) return kBassErrorFileForm;
  try {
    std::vector<uint8_t> comments;
    if (!CommentPacket(data, size, comments)) return kBassErrorFileForm;
    // The comments are kept by the decoder too (a picture among them can
    // take megabytes): room for them comes on top.
    const size_t arenaBytes = kArenaBytes + comments.size();
    if (!CommentsFit(comments, arenaBytes)) return kBassErrorFileForm;
    // Not cleared: the decoder writes before it reads.
    std::unique_ptr<char[]> arena(new char[arenaBytes]);
    stb_vorbis_alloc alloc{arena.get(), static_cast<int>(arenaBytes)};
    int error = 0;
    stb_vorbis* v = stb_vorbis_open_memory(data, static_cast<int>(size), &error, &alloc);
    if (v == nullptr) {
      if (error == VORBIS_outofmem) return kBassErrorMem;
      return error == VORBIS_too_many_channels ? kBassErrorFormat : kBassErrorFileForm;
    }
    Closer closer{v};
    const stb_vorbis_info info = stb_vorbis_get_info(v);
    if (info.channels < 1 || static_cast<uint32_t>(info.channels) > kMaxDecodedChannels ||
        info.sample_rate < kMinRate || info.sample_rate > kMaxRate) {
      return kBassErrorFormat;
    }
    // stb_vorbis decodes 5.1 streams of the reference encoder (which codes
    // them with a set-up of their own) into noise: refused, not played so.
    if (info.channels == kFiveOneChannels) return kBassErrorFormat;
    const auto channels = static_cast<size_t>(info.channels);
    const size_t maxFrames = size_t{info.sample_rate} * kMaxDecodedSeconds;
    // The stream's own length (its last page's position) is a hint for the
    // allocation only, and only when it is within the limit.
    const size_t hinted = stb_vorbis_stream_length_in_samples(v);
    if (hinted > 0 && hinted <= maxFrames) out.samples.reserve(hinted * channels);
    // Frame by frame from the decoder's own buffers, straight into WAV
    // channel order: one pass over the data.
    const Layout& layout = kLayouts[channels];
    size_t frames = 0;
    for (;;) {
      int frameChannels = 0;
      float** decoded = nullptr;
      const int got = stb_vorbis_get_frame_float(v, &frameChannels, &decoded);
      if (got <= 0 || frameChannels != info.channels) break;
      const size_t take = std::min(static_cast<size_t>(got), maxFrames - frames);
      const size_t at = out.samples.size();
      out.samples.resize(at + take * channels);
      float* to = out.samples.data() + at;
      for (size_t c = 0; c < channels; ++c) {
        const float* from = decoded[layout.from[c]];
        // A damaged stream can decode to inf or NaN: silence instead.
        for (size_t i = 0; i < take; ++i) to[i * channels + c] = std::isfinite(from[i]) ? from[i] : 0.0f;
      }
      frames += take;
      if (frames == maxFrames) break;
    }
    if (frames == 0) return Fail(out, kBassErrorFileForm);
    out.sampleRate = info.sample_rate;
    out.channels = static_cast<uint16_t>(channels);
    out.channelMask = channels > 2 ? layout.mask : 0;
    out.sixteenBits = true;
    return kBassOk;
  } catch (const std::bad_alloc&) {
    return Fail(out, kBassErrorMem);
  }
}

#include "bass/wav_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "bass/bass_errors.h"

// Every length that comes from the file is compared with what is left of the
// buffer before it is used, and every product of file values goes through
// CheckedMul: the files are whatever users pick, including broken downloads.

namespace {

constexpr uint16_t kTagPcm = 0x0001;
constexpr uint16_t kTagMsAdpcm = 0x0002;
constexpr uint16_t kTagFloat = 0x0003;
constexpr uint16_t kTagALaw = 0x0006;
constexpr uint16_t kTagMuLaw = 0x0007;
constexpr uint16_t kTagImaAdpcm = 0x0011;
constexpr uint16_t kTagExtensible = 0xFFFE;

constexpr uint16_t kMaxChannels = 8;
constexpr uint32_t kMinRate = 1000;
constexpr uint32_t kMaxRate = 384000;

// A click sound is a fraction of a second; 512 MiB of floats is several hours
// of 7.1 at 48 kHz. Anything above that is a hostile header or a file the user
// did not mean, and is refused before the allocation is attempted.
constexpr size_t kMaxDecodedFloats = (size_t{512} << 20) / sizeof(float);

// The tail that every WAVE_FORMAT_EXTENSIBLE subformat GUID shares; its first
// two bytes carry the ordinary format tag.
constexpr std::array<uint8_t, 14> kGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
int16_t LeS16(const uint8_t* p) { return static_cast<int16_t>(Le16(p)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool CheckedMul(size_t a, size_t b, size_t& result) {
  if (a != 0 && b > std::numeric_limits<size_t>::max() / a) return false;
  result = a * b;
  return true;
}

bool CheckedAdd(size_t a, size_t b, size_t& result) {
  if (b > std::numeric_limits<size_t>::max() - a) return false;
  result = a + b;
  return true;
}

bool IsFourCc(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

bool IsPrintableFourCc(const uint8_t* p) {
  for (int i = 0; i < 4; ++i) {
    if (p[i] < 0x20 || p[i] > 0x7E) return false;
  }
  return true;
}

// --- G.711 -----------------------------------------------------------------
// Both laws expand an 8-bit code into the 16-bit linear value of the ITU-T
// G.711 reference decoder; the tables are built from the bit layout once.

int MuLawToLinear(uint8_t code) {
  const int u = static_cast<uint8_t>(~code);
  int magnitude = ((u & 0x0F) << 3) + 0x84;  // mantissa with the bias of 132
  magnitude <<= (u & 0x70) >> 4;             // segment
  return (u & 0x80) ? 0x84 - magnitude : magnitude - 0x84;
}

int ALawToLinear(uint8_t code) {
  const int a = code ^ 0x55;  // even bits are inverted on the line
  int magnitude = (a & 0x0F) << 4;
  const int segment = (a & 0x70) >> 4;
  if (segment == 0) {
    magnitude += 8;
  } else {
    magnitude += 0x108;
    magnitude <<= segment - 1;
  }
  return (a & 0x80) ? magnitude : -magnitude;
}

using G711Table = std::array<float, 256>;

template <int (*Expand)(uint8_t)>
const G711Table& G711() {
  static const G711Table table = [] {
    G711Table t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(Expand(static_cast<uint8_t>(i))) / 32768.0f;
    return t;
  }();
  return table;
}

// --- IMA ADPCM --------------------------------------------------------------

constexpr int kImaMaxStepIndex = 88;
constexpr std::array<int16_t, kImaMaxStepIndex + 1> kImaSteps = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int8_t, 8> kImaIndexAdjust = {-1, -1, -1, -1, 2, 4, 6, 8};

struct ImaState {
  int predictor = 0;
  int stepIndex = 0;

  int Next(unsigned nibble) {
    const int step = kImaSteps[static_cast<size_t>(stepIndex)];
    // The reference decoder's shift-and-add form, not (2n+1)*step/8: the two
    // round differently and encoders are tuned against this one.
    int diff = step >> 3;
    if (nibble & 1) diff += step >> 2;
    if (nibble & 2) diff += step >> 1;
    if (nibble & 4) diff += step;
    predictor += (nibble & 8) ? -diff : diff;
    predictor = std::clamp(predictor, -32768, 32767);
    stepIndex = std::clamp(stepIndex + kImaIndexAdjust[nibble & 7], 0, kImaMaxStepIndex);
    return predictor;
  }
};

// Frames that `bytes` of one IMA block hold: the header sample, then 8 for
// every round of one 4-byte word (8 nibbles) per channel.
size_t ImaFramesIn(size_t bytes, size_t channels) {
  const size_t header = 4 * channels;
  if (bytes < header) return 0;
  return 1 + (bytes - header) / (4 * channels) * 8;
}

void DecodeImaBlock(const uint8_t* block, size_t channels, size_t frames, float* out) {
  for (size_t c = 0; c < channels; ++c) {
    const uint8_t* header = block + 4 * c;
    ImaState state;
    state.predictor = LeS16(header);
    // Out-of-range indices come only from damaged files; clamping keeps the
    // table lookup in bounds and the damage local to this block.
    state.stepIndex = std::min<int>(header[2], kImaMaxStepIndex);
    out[c] = static_cast<float>(state.predictor) / 32768.0f;
    const uint8_t* data = block + 4 * channels;
    for (size_t frame = 1; frame < frames; ++frame) {
      const size_t n = frame - 1;  // nibble index within this channel
      const size_t group = n / 8;
      const size_t inGroup = n % 8;
      const uint8_t byte = data[group * 4 * channels + 4 * c + inGroup / 2];
      const unsigned nibble = (inGroup & 1) ? (byte >> 4) : (byte & 0x0F);
      out[frame * channels + c] = static_cast<float>(state.Next(nibble)) / 32768.0f;
    }
  }
}

// --- Microsoft ADPCM ---------------------------------------------------------

constexpr size_t kMaxMsCoefficients = 256;  // the block header's predictor index is a byte
constexpr std::array<int16_t, 14> kMsStandardCoefficients = {256, 0,   512, -256, 0,    0,   192,
                                                             64,  240, 0,   460,  -208, 392, -232};
constexpr std::array<int16_t, 16> kMsAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                                   768, 614, 512, 409, 307, 230, 230, 230};
// Real encoders keep the step far below this; the cap only stops a damaged
// stream from growing it without bound (it triples per nibble at worst).
constexpr int64_t kMsMaxDelta = int64_t{1} << 24;

size_t MsAdpcmFramesIn(size_t bytes, size_t channels) {
  const size_t header = 7 * channels;
  if (bytes < header) return 0;
  return 2 + (bytes - header) * 2 / channels;
}

struct MsState {
  int64_t coef1 = 0;
  int64_t coef2 = 0;
  int64_t delta = 0;
  int64_t sample1 = 0;
  int64_t sample2 = 0;

  int Next(unsigned nibble) {
    const int64_t signedNibble = (nibble & 8) ? static_cast<int64_t>(nibble) - 16 : nibble;
    const int64_t predicted = (sample1 * coef1 + sample2 * coef2) >> 8;
    const int64_t sample = std::clamp<int64_t>(predicted + signedNibble * delta, -32768, 32767);
    delta = std::clamp<int64_t>((kMsAdaptation[nibble] * delta) >> 8, 16, kMsMaxDelta);
    sample2 = sample1;
    sample1 = sample;
    return static_cast<int>(sample);
  }
};

// --- fmt chunk ----------------------------------------------------------------

enum class Encoding { Pcm, Float, MuLaw, ALaw, ImaAdpcm, MsAdpcm };

struct Format {
  Encoding encoding = Encoding::Pcm;
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint32_t channelMask = 0;
  size_t blockAlign = 0;
  size_t containerBytes = 0;  // per sample, for the formats that are not ADPCM
  unsigned validBits = 0;     // of the container, for integer PCM
  size_t framesPerBlock = 0;  // ADPCM
  std::array<int16_t, 2 * kMaxMsCoefficients> coefficients{};
  size_t coefficientCount = 0;
};

bool DecodeMsAdpcmBlock(const Format& fmt, const uint8_t* block, size_t frames, float* out) {
  const size_t channels = fmt.channels;
  std::array<MsState, kMaxChannels> states;
  for (size_t c = 0; c < channels; ++c) {
    const size_t predictor = block[c];
    if (predictor >= fmt.coefficientCount) return false;
    MsState& s = states[c];
    s.coef1 = fmt.coefficients[2 * predictor];
    s.coef2 = fmt.coefficients[2 * predictor + 1];
    s.delta = LeS16(block + channels + 2 * c);
    s.sample1 = LeS16(block + 3 * channels + 2 * c);
    s.sample2 = LeS16(block + 5 * channels + 2 * c);
    // The block's two header samples come out oldest first.
    out[c] = static_cast<float>(s.sample2) / 32768.0f;
    if (frames > 1) out[channels + c] = static_cast<float>(s.sample1) / 32768.0f;
  }
  // Nibbles run through the channels in turn, the high nibble of each byte first.
  const uint8_t* data = block + 7 * channels;
  const size_t nibbles = frames > 2 ? (frames - 2) * channels : 0;
  for (size_t n = 0; n < nibbles; ++n) {
    const uint8_t byte = data[n / 2];
    const unsigned nibble = (n & 1) ? (byte & 0x0F) : (byte >> 4);
    const size_t c = n % channels;
    out[(2 + n / channels) * channels + c] = static_cast<float>(states[c].Next(nibble)) / 32768.0f;
  }
  return true;
}

// Size of the cbSize extension that the chunk really holds.
size_t ExtensionBytes(const uint8_t* fmt, size_t size) {
  if (size < 18) return 0;
  return std::min<size_t>(Le16(fmt + 16), size - 18);
}

int ParseAdpcmExtension(const uint8_t* fmt, size_t size, Format& f) {
  const size_t channels = f.channels;
  const uint8_t* ext = fmt + 18;
  const size_t extBytes = ExtensionBytes(fmt, size);
  size_t maxFrames = 0;
  if (f.encoding == Encoding::ImaAdpcm) {
    // A block is a 4-byte header and whole 4-byte words per channel.
    if (f.blockAlign <= 4 * channels || f.blockAlign % (4 * channels) != 0) return kBassErrorFormat;
    maxFrames = ImaFramesIn(f.blockAlign, channels);
  } else {
    if (f.blockAlign < 7 * channels) return kBassErrorFormat;
    maxFrames = MsAdpcmFramesIn(f.blockAlign, channels);
  }
  // The declared frames per block may be fewer than the block can hold (the
  // rest is padding), never more.
  f.framesPerBlock = maxFrames;
  if (extBytes >= 2) {
    const size_t declared = Le16(ext);
    if (declared > maxFrames) return kBassErrorFormat;
    if (declared != 0) f.framesPerBlock = declared;
  }
  if (f.encoding == Encoding::ImaAdpcm) return kBassOk;

  if (f.framesPerBlock < 2) return kBassErrorFormat;
  if (extBytes >= 4 && Le16(ext + 2) != 0) {
    const size_t count = Le16(ext + 2);
    if (count > kMaxMsCoefficients) return kBassErrorFormat;
    if (4 + count * 4 > extBytes) return kBassErrorFileForm;
    for (size_t i = 0; i < 2 * count; ++i) f.coefficients[i] = LeS16(ext + 4 + 2 * i);
    f.coefficientCount = count;
  } else {
    // Headers without a table (a bare 16- or 18-byte fmt) mean the standard seven pairs.
    std::copy(kMsStandardCoefficients.begin(), kMsStandardCoefficients.end(), f.coefficients.begin());
    f.coefficientCount = kMsStandardCoefficients.size() / 2;
  }
  return kBassOk;
}

int ParseFmt(const uint8_t* fmt, size_t size, Format& f) {
  if (size < 16) return kBassErrorFileForm;
  uint16_t tag = Le16(fmt);
  f.channels = Le16(fmt + 2);
  f.rate = Le32(fmt + 4);
  f.blockAlign = Le16(fmt + 12);
  unsigned bits = Le16(fmt + 14);
  f.validBits = bits;
  f.channelMask = 0;

  if (tag == kTagExtensible) {
    if (size < 40) return kBassErrorFileForm;
    const unsigned valid = Le16(fmt + 18);
    f.channelMask = Le32(fmt + 20);
    const uint8_t* guid = fmt + 24;
    if (!std::equal(kGuidTail.begin(), kGuidTail.end(), guid + 2)) return kBassErrorFormat;
    tag = Le16(guid);
    if (tag != kTagPcm && tag != kTagFloat && tag != kTagMuLaw && tag != kTagALaw) return kBassErrorFormat;
    // Some writers leave the field at 0, which means "all of the container".
    if (valid > bits) return kBassErrorFormat;
    if (valid != 0) f.validBits = valid;
  }

  switch (tag) {
    case kTagPcm: f.encoding = Encoding::Pcm; break;
    case kTagFloat: f.encoding = Encoding::Float; break;
    case kTagMuLaw: f.encoding = Encoding::MuLaw; break;
    case kTagALaw: f.encoding = Encoding::ALaw; break;
    case kTagImaAdpcm: f.encoding = Encoding::ImaAdpcm; break;
    case kTagMsAdpcm: f.encoding = Encoding::MsAdpcm; break;
    default: return kBassErrorFormat;
  }
  if (f.channels == 0 || f.channels > kMaxChannels) return kBassErrorFormat;
  if (f.rate < kMinRate || f.rate > kMaxRate) return kBassErrorFormat;
  if (f.blockAlign == 0) return kBassErrorFormat;

  if (f.encoding == Encoding::ImaAdpcm || f.encoding == Encoding::MsAdpcm) {
    if (bits != 4) return kBassErrorFormat;
    return ParseAdpcmExtension(fmt, size, f);
  }

  // Uncompressed and G.711: a frame is one container per channel, and the
  // meaningful bits sit at the top of the container.
  if (f.blockAlign % f.channels != 0) return kBassErrorFormat;
  f.containerBytes = f.blockAlign / f.channels;
  if (bits == 0 || bits > f.containerBytes * 8 || (bits + 7) / 8 != f.containerBytes) return kBassErrorFormat;
  switch (f.encoding) {
    case Encoding::Pcm:
      if (f.containerBytes > 4) return kBassErrorFormat;
      break;
    case Encoding::Float:
      if (bits != 32 && bits != 64) return kBassErrorFormat;
      break;
    default:  // G.711
      if (bits != 8) return kBassErrorFormat;
      break;
  }
  return kBassOk;
}

// --- sample decoding -----------------------------------------------------------

float FloatSample(double v) {
  // Float files may go past full scale, and damaged ones hold NaNs and values
  // far beyond the range of float. The mixer and the reverb's feedback expect
  // +-1 like every integer format gives (a NaN would poison them for the rest
  // of the session), so overs are clipped here, once, as sox clips them too.
  if (std::isnan(v)) return 0.0f;
  return static_cast<float>(std::clamp(v, -1.0, 1.0));
}

void DecodeInterleaved(const Format& f, const uint8_t* data, size_t count, float* out) {
  switch (f.encoding) {
    case Encoding::Pcm: {
      const unsigned containerBits = static_cast<unsigned>(f.containerBytes * 8);
      // Bits below the valid ones are padding; clear them in case the writer did not.
      const uint32_t keep = ~((uint32_t{1} << (containerBits - f.validBits)) - 1);
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + i * f.containerBytes;
        switch (f.containerBytes) {
          case 1: out[i] = (static_cast<int>(p[0] & keep) - 128) / 128.0f; break;
          case 2: out[i] = static_cast<int16_t>(Le16(p) & keep) / 32768.0f; break;
          case 3: {
            const uint32_t raw = (p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16)) & keep;
            const int32_t value = static_cast<int32_t>(raw << 8) >> 8;  // sign-extend 24 bits
            out[i] = static_cast<float>(value) / 8388608.0f;
            break;
          }
          default: out[i] = static_cast<float>(static_cast<int32_t>(Le32(p) & keep) / 2147483648.0); break;
        }
      }
      break;
    }
    case Encoding::Float:
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + i * f.containerBytes;
        if (f.containerBytes == 4) {
          out[i] = FloatSample(std::bit_cast<float>(Le32(p)));
        } else {
          const uint64_t raw = Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
          out[i] = FloatSample(std::bit_cast<double>(raw));
        }
      }
      break;
    case Encoding::MuLaw: {
      const G711Table& table = G711<MuLawToLinear>();
      for (size_t i = 0; i < count; ++i) out[i] = table[data[i]];
      break;
    }
    case Encoding::ALaw: {
      const G711Table& table = G711<ALawToLinear>();
      for (size_t i = 0; i < count; ++i) out[i] = table[data[i]];
      break;
    }
    default: break;
  }
}

// Frames a run of ADPCM data holds: whole blocks, plus whatever whole frames
// the bytes of a cut-off last block carry (a download that stopped short still
// plays up to where it stopped).
bool AdpcmFrames(const Format& f, size_t dataSize, size_t& frames) {
  const size_t blocks = dataSize / f.blockAlign;
  const size_t tailBytes = dataSize % f.blockAlign;
  const size_t tailFrames =
      std::min(f.framesPerBlock, f.encoding == Encoding::ImaAdpcm ? ImaFramesIn(tailBytes, f.channels)
                                                                  : MsAdpcmFramesIn(tailBytes, f.channels));
  size_t whole = 0;
  return CheckedMul(blocks, f.framesPerBlock, whole) && CheckedAdd(whole, tailFrames, frames);
}

int DecodeAdpcm(const Format& f, const uint8_t* data, size_t dataSize, float* out) {
  const size_t channels = f.channels;
  for (size_t offset = 0; offset < dataSize; offset += f.blockAlign) {
    const size_t bytes = std::min(f.blockAlign, dataSize - offset);
    const size_t frames =
        std::min(f.framesPerBlock, f.encoding == Encoding::ImaAdpcm ? ImaFramesIn(bytes, channels)
                                                                    : MsAdpcmFramesIn(bytes, channels));
    if (frames == 0) break;
    if (f.encoding == Encoding::ImaAdpcm) {
      DecodeImaBlock(data + offset, channels, frames, out);
    } else if (!DecodeMsAdpcmBlock(f, data + offset, frames, out)) {
      return kBassErrorFileForm;  // a predictor the header's table does not have
    }
    out += frames * channels;
  }
  return kBassOk;
}

int Decode(const uint8_t* file, size_t size, DecodedWav& out) {
  if (size < 12 || !IsFourCc(file, "RIFF") || !IsFourCc(file + 8, "WAVE")) return kBassErrorFileForm;

  // The RIFF size is not trusted (writers that stream leave it at 0 or at
  // 0xFFFFFFFF); the chunks are walked to the end of the buffer instead.
  const uint8_t* fmt = nullptr;
  size_t fmtSize = 0;
  const uint8_t* data = nullptr;
  size_t dataSize = 0;
  size_t pos = 12;
  while (size - pos >= 8 && (fmt == nullptr || data == nullptr)) {
    const uint8_t* header = file + pos;
    const size_t body = pos + 8;
    const size_t chunkSize = Le32(header + 4);
    const size_t available = size - body;
    if (IsFourCc(header, "fmt ") && fmt == nullptr) {
      if (chunkSize > available) return kBassErrorFileForm;
      fmt = file + body;
      fmtSize = chunkSize;
    } else if (IsFourCc(header, "data") && data == nullptr) {
      // A data size larger than the file is what an interrupted recording or
      // download leaves; what is there still plays.
      data = file + body;
      dataSize = std::min(chunkSize, available);
    }
    if (chunkSize > available) break;
    size_t next = body + chunkSize;
    if (chunkSize & 1) {
      // Chunks are padded to even sizes, but some writers forget the pad
      // byte; trust the pad only when it leads to something that looks like a
      // chunk id and the unpadded position does not.
      const bool paddedLooksRight = size - next >= 5 && IsPrintableFourCc(file + next + 1);
      const bool unpaddedLooksRight = size - next >= 4 && IsPrintableFourCc(file + next);
      if (paddedLooksRight || !unpaddedLooksRight) ++next;
    }
    if (next > size) break;
    pos = next;
  }
  if (fmt == nullptr || data == nullptr) return kBassErrorFileForm;

  Format f;
  if (const int result = ParseFmt(fmt, fmtSize, f); result != kBassOk) return result;

  const bool adpcm = f.encoding == Encoding::ImaAdpcm || f.encoding == Encoding::MsAdpcm;
  size_t frames = 0;
  if (adpcm) {
    if (!AdpcmFrames(f, dataSize, frames)) return kBassErrorMem;
  } else {
    frames = dataSize / f.blockAlign;
  }
  size_t count = 0;
  if (!CheckedMul(frames, f.channels, count) || count > kMaxDecodedFloats) return kBassErrorMem;

  out.samples.resize(count);
  float* samples = out.samples.data();
  if (adpcm) {
    if (const int result = DecodeAdpcm(f, data, dataSize, samples); result != kBassOk) return result;
  } else {
    DecodeInterleaved(f, data, count, samples);
  }
  out.sampleRate = f.rate;
  out.channels = f.channels;
  out.channelMask = f.channelMask;
  out.sixteenBits = f.encoding != Encoding::Float && (f.encoding != Encoding::Pcm || f.validBits <= 16);
  return kBassOk;
}

// --- down-mix -------------------------------------------------------------------

// Speaker bits of the WAVE_FORMAT_EXTENSIBLE channel mask, in channel order.
enum Speaker : unsigned {
  kFrontLeft = 0,
  kFrontRight,
  kFrontCenter,
  kLowFrequency,
  kBackLeft,
  kBackRight,
  kFrontLeftOfCenter,
  kFrontRightOfCenter,
  kBackCenter,
  kSideLeft,
  kSideRight,
  kTopCenter,
  kTopFrontLeft,
  kTopFrontCenter,
  kTopFrontRight,
  kTopBackLeft,
  kTopBackCenter,
  kTopBackRight,
  kUnassigned,  // channels beyond the mask's bits
};

constexpr uint32_t Bit(Speaker s) { return uint32_t{1} << s; }

uint32_t DefaultMask(size_t channels) {
  switch (channels) {
    case 3: return Bit(kFrontLeft) | Bit(kFrontRight) | Bit(kFrontCenter);
    case 4: return Bit(kFrontLeft) | Bit(kFrontRight) | Bit(kBackLeft) | Bit(kBackRight);
    case 5: return Bit(kFrontLeft) | Bit(kFrontRight) | Bit(kFrontCenter) | Bit(kBackLeft) | Bit(kBackRight);
    case 6:
      return Bit(kFrontLeft) | Bit(kFrontRight) | Bit(kFrontCenter) | Bit(kLowFrequency) | Bit(kBackLeft) |
             Bit(kBackRight);
    case 7:
      return Bit(kFrontLeft) | Bit(kFrontRight) | Bit(kFrontCenter) | Bit(kLowFrequency) | Bit(kBackCenter) |
             Bit(kSideLeft) | Bit(kSideRight);
    case 8:
      return Bit(kFrontLeft) | Bit(kFrontRight) | Bit(kFrontCenter) | Bit(kLowFrequency) | Bit(kBackLeft) |
             Bit(kBackRight) | Bit(kSideLeft) | Bit(kSideRight);
    default: return 0;
  }
}

struct StereoGain {
  float left;
  float right;
};

StereoGain GainOf(unsigned speaker) {
  constexpr float kMinus3dB = 0.70710678f;
  // Speakers between the front pair and the centre, panned at constant power.
  constexpr float kNear = 0.92387953f;  // cos(pi/8)
  constexpr float kFar = 0.38268343f;   // sin(pi/8)
  switch (speaker) {
    case kFrontLeft: return {1.0f, 0.0f};
    case kFrontRight: return {0.0f, 1.0f};
    case kFrontLeftOfCenter: return {kNear, kFar};
    case kFrontRightOfCenter: return {kFar, kNear};
    // The LFE channel carries only what a subwoofer adds below ~120 Hz, mixed
    // to be played 10 dB hot; the usual down-mixes leave it out, and folding it
    // in would make small speakers boom and eat the headroom of the rest.
    case kLowFrequency: return {0.0f, 0.0f};
    case kBackLeft:
    case kSideLeft:
    case kTopFrontLeft:
    case kTopBackLeft: return {kMinus3dB, 0.0f};
    case kBackRight:
    case kSideRight:
    case kTopFrontRight:
    case kTopBackRight: return {0.0f, kMinus3dB};
    // A rear or overhead centre is a surround split over both sides.
    case kBackCenter:
    case kTopCenter:
    case kTopBackCenter: return {0.5f, 0.5f};
    // Front centre, and channels the file gives no position: -3 dB to both sides.
    default: return {kMinus3dB, kMinus3dB};
  }
}

}  // namespace

int DecodeWav(const uint8_t* data, size_t size, DecodedWav& out) {
  out = DecodedWav{};
  if (data == nullptr) return kBassErrorFileForm;
  try {
    const int result = Decode(data, size, out);
    if (result != kBassOk) out = DecodedWav{};
    return result;
  } catch (const std::bad_alloc&) {
    out = DecodedWav{};
    return kBassErrorMem;
  }
}

std::vector<float> ToStereo(DecodedWav&& wav) {
  if (wav.channels == 2) return std::move(wav.samples);
  return ToStereo(static_cast<const DecodedWav&>(wav));
}

std::vector<float> ToStereo(const DecodedWav& wav) {
  const size_t channels = wav.channels;
  if (channels == 0) return {};
  const size_t frames = wav.samples.size() / channels;
  const float* in = wav.samples.data();
  std::vector<float> stereo(frames * 2);
  if (channels == 1) {
    for (size_t i = 0; i < frames; ++i) stereo[2 * i] = stereo[2 * i + 1] = in[i];
    return stereo;
  }
  if (channels == 2) {
    std::copy(in, in + frames * 2, stereo.begin());
    return stereo;
  }

  // Channels take the mask's speakers in bit order; channels beyond its bits
  // have no position.
  std::vector<StereoGain> gains(channels);
  uint32_t mask = wav.channelMask != 0 ? wav.channelMask : DefaultMask(channels);
  for (size_t c = 0; c < channels; ++c) {
    unsigned speaker = kUnassigned;
    if (mask != 0) {
      speaker = static_cast<unsigned>(std::countr_zero(mask));
      mask &= mask - 1;
    }
    gains[c] = GainOf(speaker);
  }
  // Scale so that a row whose inputs are all at full scale just reaches full
  // scale: no input within +-1 can clip, at the price of a few dB of level.
  float leftSum = 0.0f;
  float rightSum = 0.0f;
  for (const StereoGain& g : gains) {
    leftSum += g.left;
    rightSum += g.right;
  }
  const float scale = 1.0f / std::max({1.0f, leftSum, rightSum});
  for (StereoGain& g : gains) {
    g.left *= scale;
    g.right *= scale;
  }
  for (size_t i = 0; i < frames; ++i) {
    const float* frame = in + i * channels;
    float left = 0.0f;
    float right = 0.0f;
    for (size_t c = 0; c < channels; ++c) {
      left += frame[c] * gains[c].left;
      right += frame[c] * gains[c].right;
    }
    stereo[2 * i] = left;
    stereo[2 * i + 1] = right;
  }
  return stereo;
}

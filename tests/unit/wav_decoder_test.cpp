#include "bass/wav_decoder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "bass/bass_errors.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// --- files written and decoded by sox, the independent reference -------------

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "wav_decoder_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<float> ReadRawFloats(const fs::path& path) {
  const Bytes bytes = ReadFile(path);
  std::vector<float> floats(bytes.size() / sizeof(float));
  std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
  return floats;
}

bool RunSox(const std::string& args) {
  const std::string command = "sox " + args + " 2>&1";
  return std::system(command.c_str()) == 0;
}

void RequireSox() {
  ASSERT_EQ(std::system("sox --version >/dev/null 2>&1"), 0)
      << "these tests need sox on the PATH (apt-get install sox) as the reference decoder";
}

struct SoxCase {
  const char* name;
  const char* encoding;  // sox output options
  int channels;
  int rate;
  float tolerance;  // largest |ours - sox| allowed
};

// Lossless encodings must match sox to float rounding. For ADPCM sox is an
// independent decoder of the same bit streams; both follow the reference
// integer arithmetic and agree exactly today, but one 16-bit step is allowed.
// Rounding the predictor the other way (division instead of a shift) already
// drifts by ten steps or more within a block, so the bound still bites.
constexpr float kExact = 1e-7f;
constexpr float kAdpcm = 1.0f / 32768.0f;

const SoxCase kSoxCases[] = {
    {"U8Mono", "-e unsigned-integer -b 8", 1, 8000, kExact},
    {"U8Six", "-e unsigned-integer -b 8", 6, 48000, kExact},
    {"S16Mono1k", "-e signed-integer -b 16", 1, 1000, kExact},
    {"S16Stereo", "-e signed-integer -b 16", 2, 44100, kExact},
    {"S16Eight", "-e signed-integer -b 16", 8, 96000, kExact},
    {"S24Mono384k", "-e signed-integer -b 24", 1, 384000, kExact},
    {"S24Three", "-e signed-integer -b 24", 3, 48000, kExact},
    {"S32Stereo", "-e signed-integer -b 32", 2, 11025, kExact},
    {"S32Five", "-e signed-integer -b 32", 5, 32000, kExact},
    {"F32Mono", "-e floating-point -b 32", 1, 44100, kExact},
    {"F32Seven", "-e floating-point -b 32", 7, 48000, kExact},
    {"F64Stereo", "-e floating-point -b 64", 2, 192000, kExact},
    {"F64Four", "-e floating-point -b 64", 4, 8000, kExact},
    {"MuLawMono", "-e u-law", 1, 8000, kExact},
    {"MuLawThree", "-e u-law", 3, 16000, kExact},
    {"ALawStereo", "-e a-law", 2, 8000, kExact},
    {"ALawEight", "-e a-law", 8, 44100, kExact},
    {"ImaMono", "-e ima-adpcm", 1, 8000, kAdpcm},
    {"ImaStereo", "-e ima-adpcm", 2, 44100, kAdpcm},
    {"ImaFive", "-e ima-adpcm", 5, 22050, kAdpcm},
    {"MsAdpcmMono", "-e ms-adpcm", 1, 11025, kAdpcm},
    {"MsAdpcmStereo", "-e ms-adpcm", 2, 44100, kAdpcm},
    {"MsAdpcmSix", "-e ms-adpcm", 6, 48000, kAdpcm},
};

void PrintTo(const SoxCase& c, std::ostream* os) { *os << c.name; }

class SoxComparison : public testing::TestWithParam<SoxCase> {};

TEST_P(SoxComparison, DecodesLikeSox) {
  RequireSox();
  const SoxCase& c = GetParam();
  TempDir dir;
  ASSERT_FALSE(dir.Path().empty());
  const fs::path wav = dir.Path() / "in.wav";
  const fs::path raw = dir.Path() / "out.raw";
  // A different waveform per channel (the list cycles), with seeded noise so
  // every bit of the samples is exercised and channel mix-ups show.
  const std::string make = "-R -D -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                           " -n " + c.encoding + " " + wav.string() +
                           " synth 0.05 whitenoise sine 440 square 300 sine 1000 sawtooth 220 vol 0.9";
  ASSERT_TRUE(RunSox(make)) << make;
  ASSERT_TRUE(RunSox(wav.string() + " -t f32 -e floating-point -b 32 " + raw.string()));
  const std::vector<float> reference = ReadRawFloats(raw);
  ASSERT_FALSE(reference.empty());

  const Bytes file = ReadFile(wav);
  DecodedWav decoded;
  ASSERT_EQ(DecodeWav(file.data(), file.size(), decoded), kBassOk);
  EXPECT_EQ(decoded.sampleRate, static_cast<uint32_t>(c.rate));
  EXPECT_EQ(decoded.channels, c.channels);
  ASSERT_EQ(decoded.samples.size(), reference.size());
  float maxError = 0.0f;
  size_t worst = 0;
  for (size_t i = 0; i < reference.size(); ++i) {
    const float error = std::fabs(decoded.samples[i] - reference[i]);
    if (error > maxError) {
      maxError = error;
      worst = i;
    }
  }
  std::ostringstream error;
  error << std::scientific << maxError;
  RecordProperty("max_error", error.str());
  EXPECT_LE(maxError, c.tolerance) << "sample " << worst << ": ours " << decoded.samples[worst] << ", sox "
                                   << reference[worst];
}

INSTANTIATE_TEST_SUITE_P(WavDecoder, SoxComparison, testing::ValuesIn(kSoxCases),
                         [](const testing::TestParamInfo<SoxCase>& info) { return info.param.name; });

// A download that stopped mid-block still plays the frames its bytes hold, and
// they are the same frames the whole file gives.
TEST(WavDecoder, CutOffAdpcmBlockKeepsTheFramesPresent) {
  RequireSox();
  TempDir dir;
  for (const char* encoding : {"ima-adpcm", "ms-adpcm"}) {
    SCOPED_TRACE(encoding);
    const fs::path wav = dir.Path() / "cut.wav";
    ASSERT_TRUE(RunSox("-R -D -r 8000 -c 2 -n -e " + std::string(encoding) + " " + wav.string() +
                       " synth 0.2 sine 440 sine 660"));
    const Bytes whole = ReadFile(wav);
    DecodedWav full;
    ASSERT_EQ(DecodeWav(whole.data(), whole.size(), full), kBassOk);
    const auto dataId = std::search(whole.begin(), whole.end(), std::begin("data"), std::end("data") - 1);
    ASSERT_NE(dataId, whole.end());
    const size_t dataStart = static_cast<size_t>(dataId - whole.begin()) + 8;
    const size_t blockAlign = whole[32] | (whole[33] << 8);  // fmt is the first chunk in sox's files
    const size_t blocks = (whole.size() - dataStart) / blockAlign;
    ASSERT_GE(blocks, 2u);
    const size_t perBlock = full.samples.size() / 2 / blocks;
    // Keep the first block and 100 bytes of the second.
    const Bytes cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(dataStart + blockAlign + 100));
    DecodedWav partial;
    ASSERT_EQ(DecodeWav(cut.data(), cut.size(), partial), kBassOk);
    // IMA: header frame + 8 per 8-byte group of two channels; MS: 2 header frames + one per byte.
    const size_t tailFrames = std::string(encoding) == "ima-adpcm" ? 1 + (100 - 8) / 8 * 8 : 2 + (100 - 14);
    ASSERT_EQ(partial.samples.size(), (perBlock + tailFrames) * 2);
    EXPECT_TRUE(std::equal(partial.samples.begin(), partial.samples.end(), full.samples.begin()));
  }
}

// --- files built by hand ---------------------------------------------------------

void Put16(Bytes& b, uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) {
  b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

Bytes Chunk(const char* id, const Bytes& body, bool pad = true) {
  Bytes c(id, id + 4);
  Put32(c, static_cast<uint32_t>(body.size()));
  c.insert(c.end(), body.begin(), body.end());
  if (pad && body.size() % 2 != 0) c.push_back(0);
  return c;
}

Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
          const Bytes& extension = {}) {
  Bytes f;
  Put16(f, tag);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * blockAlign);
  Put16(f, blockAlign);
  Put16(f, bits);
  if (!extension.empty()) {
    Put16(f, static_cast<uint16_t>(extension.size()));
    f.insert(f.end(), extension.begin(), extension.end());
  }
  return f;
}

Bytes Extensible(uint16_t validBits, uint32_t mask, uint16_t subTag) {
  Bytes e;
  Put16(e, validBits);
  Put32(e, mask);
  Put16(e, subTag);
  e.insert(e.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  return e;
}

Bytes Riff(std::initializer_list<Bytes> chunks, int64_t riffSize = -1) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes file = {'R', 'I', 'F', 'F'};
  Put32(file, riffSize >= 0 ? static_cast<uint32_t>(riffSize) : static_cast<uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

Bytes Pcm16(std::initializer_list<int16_t> values) {
  Bytes b;
  for (int16_t v : values) Put16(b, static_cast<uint16_t>(v));
  return b;
}

int Decode(const Bytes& file, DecodedWav* out = nullptr) {
  DecodedWav scratch;
  return DecodeWav(file.data(), file.size(), out != nullptr ? *out : scratch);
}

const Bytes kStereo16 = Fmt(1, 2, 44100, 4, 16);
const Bytes kFourFrames = Pcm16({1, -1, 16384, -16384, 32767, -32768, 0, 2});

TEST(WavDecoder, BrokenStructureIsFileFormError) {
  const Bytes good = Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames)});
  ASSERT_EQ(Decode(good), kBassOk);
  for (size_t cut : {0, 4, 11, 12, 20, 35}) {  // truncated before the fmt chunk is whole
    EXPECT_EQ(Decode(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut))), kBassErrorFileForm)
        << cut;
  }
  Bytes rifx = good;
  rifx[3] = 'X';
  EXPECT_EQ(Decode(rifx), kBassErrorFileForm);
  Bytes avi = good;
  std::memcpy(avi.data() + 8, "AVI ", 4);
  EXPECT_EQ(Decode(avi), kBassErrorFileForm);
  EXPECT_EQ(Decode(Riff({Chunk("data", kFourFrames)})), kBassErrorFileForm);
  EXPECT_EQ(Decode(Riff({Chunk("fmt ", kStereo16)})), kBassErrorFileForm);
  EXPECT_EQ(Decode(Riff({Chunk("fmt ", Bytes(kStereo16.begin(), kStereo16.begin() + 14)),
                         Chunk("data", kFourFrames)})),
            kBassErrorFileForm);
  // An extensible header cut short of its GUID, and an MS ADPCM coefficient table that runs out.
  EXPECT_EQ(
      Decode(Riff({Chunk("fmt ", Fmt(0xFFFE, 2, 44100, 4, 16, {16, 0, 3, 0})), Chunk("data", kFourFrames)})),
      kBassErrorFileForm);
  EXPECT_EQ(
      Decode(Riff({Chunk("fmt ", Fmt(2, 1, 8000, 256, 4, {0xF4, 0x01, 7, 0, 0, 1})), Chunk("data", {})})),
      kBassErrorFileForm);
  DecodedWav none;
  EXPECT_EQ(DecodeWav(nullptr, 100, none), kBassErrorFileForm);
}

TEST(WavDecoder, UnsupportedFormatsAreFormatErrors) {
  struct Bad {
    const char* why;
    Bytes fmt;
  };
  const Bad cases[] = {
      {"MPEG layer 3", Fmt(0x55, 2, 44100, 1, 0)},
      {"no channels", Fmt(1, 0, 44100, 2, 16)},
      {"nine channels", Fmt(1, 9, 44100, 18, 16)},
      {"rate below 1 kHz", Fmt(1, 2, 999, 4, 16)},
      {"rate above 384 kHz", Fmt(1, 2, 384001, 4, 16)},
      {"zero block align", Fmt(1, 2, 44100, 0, 16)},
      {"block align not a frame", Fmt(1, 2, 44100, 3, 16)},
      {"16 bits in 3-byte container", Fmt(1, 1, 44100, 3, 16)},
      {"no bits", Fmt(1, 1, 44100, 2, 0)},
      {"64-bit integers", Fmt(1, 1, 44100, 8, 64)},
      {"16-bit float", Fmt(3, 1, 44100, 2, 16)},
      {"16-bit mu-law", Fmt(7, 1, 8000, 2, 16)},
      {"3-bit IMA", Fmt(0x11, 1, 8000, 256, 3, {0xF9, 0x01})},
      {"IMA block without data", Fmt(0x11, 2, 8000, 8, 4)},
      {"IMA frames beyond block", Fmt(0x11, 1, 8000, 256, 4, {0xFA, 0x01})},
      {"MS ADPCM block under header", Fmt(2, 2, 8000, 13, 4)},
      {"MS ADPCM 300 coefficients", Fmt(2, 1, 8000, 256, 4, {0xF4, 0x01, 0x2C, 0x01})},
      {"extensible unknown GUID",
       [] {
         Bytes e = Extensible(16, 3, 1);
         e.back() ^= 1;
         return Fmt(0xFFFE, 2, 44100, 4, 16, e);
       }()},
      {"extensible ADPCM", Fmt(0xFFFE, 1, 8000, 256, 4, Extensible(4, 4, 0x11))},
      {"extensible valid bits over container", Fmt(0xFFFE, 2, 44100, 4, 16, Extensible(17, 3, 1))},
  };
  for (const Bad& c : cases) {
    EXPECT_EQ(Decode(Riff({Chunk("fmt ", c.fmt), Chunk("data", kFourFrames)})), kBassErrorFormat) << c.why;
  }
  for (uint32_t rate : {1000u, 384000u}) {
    EXPECT_EQ(Decode(Riff({Chunk("fmt ", Fmt(1, 2, rate, 4, 16)), Chunk("data", kFourFrames)})), kBassOk)
        << rate;
  }
}

TEST(WavDecoder, ToleratesLayoutsThatPlayersAccept) {
  DecodedWav expected;
  ASSERT_EQ(Decode(Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames)}), &expected), kBassOk);
  EXPECT_EQ(expected.samples, (std::vector<float>{1 / 32768.0f, -1 / 32768.0f, 0.5f, -0.5f, 32767 / 32768.0f,
                                                  -1.0f, 0.0f, 2 / 32768.0f}));
  const Bytes odd = {1, 2, 3};
  const struct {
    const char* why;
    Bytes file;
  } cases[] = {
      {"fmt after data", Riff({Chunk("data", kFourFrames), Chunk("fmt ", kStereo16)})},
      {"LIST, fact and junk first",
       Riff({Chunk("LIST", Bytes(30, 'x')), Chunk("fact", {4, 0, 0, 0}), Chunk("junk", Bytes(5, 0)),
             Chunk("fmt ", kStereo16), Chunk("abcd", odd), Chunk("data", kFourFrames)})},
      {"odd chunk without its pad byte",
       Riff({Chunk("fmt ", kStereo16), Chunk("odd ", odd, false), Chunk("data", kFourFrames)})},
      {"RIFF size zero", Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames)}, 0)},
      {"RIFF size too large", Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames)}, 0xFFFFFFFF)},
      {"second fmt and data ignored", Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames),
                                            Chunk("fmt ", Fmt(1, 1, 8000, 1, 8)), Chunk("data", {1})})},
  };
  for (const auto& c : cases) {
    DecodedWav decoded;
    ASSERT_EQ(Decode(c.file, &decoded), kBassOk) << c.why;
    EXPECT_EQ(decoded.samples, expected.samples) << c.why;
    EXPECT_EQ(decoded.sampleRate, 44100u) << c.why;
  }
}

TEST(WavDecoder, DataSizeIsCutToWholeFramesPresent) {
  Bytes file = Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames)});
  file.resize(file.size() - 3);  // last frame loses 3 bytes; header still claims 16
  DecodedWav decoded;
  ASSERT_EQ(Decode(file, &decoded), kBassOk);
  EXPECT_EQ(decoded.samples.size(), 6u);
  Bytes claimsMore = Riff({Chunk("fmt ", kStereo16), Chunk("data", kFourFrames)});
  claimsMore[claimsMore.size() - 16 - 4] = 0xF0;  // data size 0xF0
  claimsMore[claimsMore.size() - 16 - 1] = 0xFF;  // ... 0xFF0000F0
  ASSERT_EQ(Decode(claimsMore, &decoded), kBassOk);
  EXPECT_EQ(decoded.samples.size(), 8u);
  // No whole frame is still a sound: a silent one.
  for (const Bytes& data : {Bytes{}, Bytes{1, 2, 3}}) {
    ASSERT_EQ(Decode(Riff({Chunk("fmt ", kStereo16), Chunk("data", data)}), &decoded), kBassOk);
    EXPECT_TRUE(decoded.samples.empty());
    EXPECT_EQ(decoded.channels, 2);
  }
}

TEST(WavDecoder, RefusesDecodedSizesBeyondTheCapBeforeAllocating) {
  // IMA mono expands each byte to about two floats: 66 MiB of blocks would
  // decode to more than 512 MiB of floats.
  const Bytes file = Riff({Chunk("fmt ", Fmt(0x11, 1, 8000, 2048, 4)), Chunk("data", Bytes(66u << 20, 0))});
  DecodedWav decoded;
  EXPECT_EQ(Decode(file, &decoded), kBassErrorMem);
  EXPECT_TRUE(decoded.samples.empty());
}

TEST(WavDecoder, ExtensibleValidBitsAndFloatOvers) {
  // 24 valid bits in 32-bit containers: the padding bits below are dropped.
  Bytes data;
  Put32(data, 0x40000000u | 0xFF);
  Put32(data, 0x80000000u | 0x01);
  const uint32_t mask = 0x4 | 0x8;  // FC + LFE
  DecodedWav decoded;
  ASSERT_EQ(Decode(Riff({Chunk("fmt ", Fmt(0xFFFE, 2, 48000, 8, 32, Extensible(24, mask, 1))),
                         Chunk("data", data)}),
                   &decoded),
            kBassOk);
  EXPECT_EQ(decoded.samples, (std::vector<float>{0.5f, -1.0f}));
  EXPECT_EQ(decoded.channelMask, mask);

  Bytes floats;
  for (double v : {0.25, double(NAN), double(INFINITY), -1.5, 1e300}) {
    Put32(floats, static_cast<uint32_t>(std::bit_cast<uint64_t>(v)));
    Put32(floats, static_cast<uint32_t>(std::bit_cast<uint64_t>(v) >> 32));
  }
  ASSERT_EQ(Decode(Riff({Chunk("fmt ", Fmt(3, 1, 48000, 8, 64)), Chunk("data", floats)}), &decoded), kBassOk);
  EXPECT_EQ(decoded.samples, (std::vector<float>{0.25f, 0.0f, 1.0f, -1.0f, 1.0f}));
  EXPECT_EQ(decoded.channelMask, 0u);
}

TEST(WavDecoder, MsAdpcmUsesTheFilesCoefficientTable) {
  // Eight pairs: the standard seven and (0, 256), which predicts the older sample.
  Bytes ext;
  Put16(ext, 4);  // frames per block: 2 header + 2 nibbles
  Put16(ext, 8);
  for (int16_t c : {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232, 0, 256})
    Put16(ext, uint16_t(c));
  const Bytes fmt = Fmt(2, 1, 8000, 8, 4, ext);
  Bytes block = {7};                           // predictor 7
  Put16(block, 100);                           // delta
  Put16(block, 1000);                          // sample 1 (newer)
  Put16(block, static_cast<uint16_t>(-2000));  // sample 2 (older)
  block.push_back(0x1F);                       // +1, then -1
  DecodedWav decoded;
  ASSERT_EQ(Decode(Riff({Chunk("fmt ", fmt), Chunk("data", block)}), &decoded), kBassOk);
  // -2000 + 1*100 = -1900, delta -> 230*100/256 = 89; then 1000 - 89 = 911.
  EXPECT_EQ(decoded.samples,
            (std::vector<float>{-2000 / 32768.0f, 1000 / 32768.0f, -1900 / 32768.0f, 911 / 32768.0f}));
  block[0] = 8;  // beyond the table
  EXPECT_EQ(Decode(Riff({Chunk("fmt ", fmt), Chunk("data", block)})), kBassErrorFileForm);
}

// --- down-mix ---------------------------------------------------------------------

std::vector<float> StereoOfOneChannel(uint16_t channels, uint32_t mask, uint16_t hot) {
  DecodedWav wav;
  wav.sampleRate = 48000;
  wav.channels = channels;
  wav.channelMask = mask;
  wav.samples.assign(channels, 0.0f);
  wav.samples[hot] = 1.0f;
  return ToStereo(wav);
}

TEST(WavDecoderToStereo, FiveOneChannelsLandByPosition) {
  constexpr float kSide = 0.70710678f;
  const float scale = 1.0f / (1.0f + 2 * kSide);  // the fullest row: FL + FC + BL
  const std::vector<float> expected[6] = {{scale, 0}, {0, scale},         {kSide * scale, kSide * scale},
                                          {0, 0},     {kSide * scale, 0}, {0, kSide * scale}};
  // A 6-channel file through the decoder, with no mask, then with the side-surround mask.
  for (uint32_t mask : {0u, 0x60Fu}) {
    for (uint16_t hot = 0; hot < 6; ++hot) {
      Bytes data;
      for (uint16_t c = 0; c < 6; ++c) Put16(data, c == hot ? 0x4000 : 0);
      const Bytes fmt =
          mask == 0 ? Fmt(1, 6, 48000, 12, 16) : Fmt(0xFFFE, 6, 48000, 12, 16, Extensible(16, mask, 1));
      DecodedWav wav;
      ASSERT_EQ(Decode(Riff({Chunk("fmt ", fmt), Chunk("data", data)}), &wav), kBassOk);
      const std::vector<float> stereo = ToStereo(wav);
      ASSERT_EQ(stereo.size(), 2u);
      EXPECT_NEAR(stereo[0], expected[hot][0] * 0.5f, 1e-6f) << "mask " << mask << " channel " << hot;
      EXPECT_NEAR(stereo[1], expected[hot][1] * 0.5f, 1e-6f) << "mask " << mask << " channel " << hot;
    }
  }
}

TEST(WavDecoderToStereo, MonoStereoAndOtherLayouts) {
  DecodedWav mono{8000, 1, 0, {0.5f, -0.25f}};
  EXPECT_EQ(ToStereo(mono), (std::vector<float>{0.5f, 0.5f, -0.25f, -0.25f}));
  DecodedWav stereo{8000, 2, 0x4, {0.5f, -0.25f}};  // the mask does not move a stereo pair
  EXPECT_EQ(ToStereo(stereo), (std::vector<float>{0.5f, -0.25f}));
  // 7.1's side left goes left only; a channel the mask has no bit for goes to both.
  EXPECT_NEAR(StereoOfOneChannel(8, 0, 6)[1], 0.0f, 1e-7f);
  EXPECT_GT(StereoOfOneChannel(8, 0, 6)[0], 0.0f);
  const std::vector<float> unplaced = StereoOfOneChannel(3, 0x3, 2);
  EXPECT_GT(unplaced[0], 0.0f);
  EXPECT_EQ(unplaced[0], unplaced[1]);
  // Every layout at full scale on every channel stays within full scale.
  for (uint16_t channels = 3; channels <= 8; ++channels) {
    DecodedWav loud{48000, channels, 0, std::vector<float>(channels, 1.0f)};
    for (float v : ToStereo(loud)) EXPECT_LE(v, 1.0f + 1e-6f) << channels;
  }
}

}  // namespace

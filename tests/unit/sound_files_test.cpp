// Sound files other than WAV: the format told by the content, Ogg Vorbis
// decoded as sox decodes it, damaged and hostile streams refused or cut short.
// The files are made here: sox synthesises, oggenc encodes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/sound_decoder.h"
#include "bass/dsp.h"
#include "bass/sample_store.h"
#include "bass/sound_format.h"
#include "bass/vorbis_decoder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class SoundFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system("sox --version >/dev/null 2>&1"), 0) << "sox is the reference decoder (apt-get install sox)";
    ASSERT_EQ(std::system("oggenc --version >/dev/null 2>&1"), 0) << "oggenc makes the files (apt-get install vorbis-tools)";
    std::string pattern = (fs::temp_directory_path() / "sound_files_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
  static Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // A sound sox synthesises (`synth` arguments), encoded by oggenc.
  Bytes Vorbis(const std::string& name, const std::string& format, const std::string& synth) {
    const fs::path wav = dir_ / (name + ".wav"), ogg = dir_ / (name + ".ogg");
    EXPECT_TRUE(Run("sox -n " + format + " " + wav.string() + " synth " + synth));
    EXPECT_TRUE(Run("oggenc -Q -q 6 " + wav.string() + " -o " + ogg.string()));
    return Read(ogg);
  }
  // What sox decodes from the same file, as interleaved floats.
  std::vector<float> SoxDecodes(const Bytes& file) {
    const fs::path in = dir_ / "reference.ogg", out = dir_ / "reference.f32";
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    EXPECT_TRUE(Run("sox " + in.string() + " -t raw -e floating-point -b 32 " + out.string()));
    const Bytes raw = Read(out);
    std::vector<float> floats(raw.size() / sizeof(float));
    std::memcpy(floats.data(), raw.data(), floats.size() * sizeof(float));
    return floats;
  }

  fs::path dir_;
};

double Rms(const std::vector<float>& x, size_t first, size_t step, size_t channel) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = first * step + channel; i < x.size(); i += step, ++n) sum += double{x[i]} * x[i];
  return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

double Correlation(const std::vector<float>& a, const std::vector<float>& b) {
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    ab += double{a[i]} * b[i];
    aa += double{a[i]} * a[i];
    bb += double{b[i]} * b[i];
  }
  return ab / std::sqrt(aa * bb);
}

}  // namespace

// A stereo Vorbis file decodes to what sox decodes from it: the same rate,
// channels and length, correlation above 0.99999 and the same level within
// 0.01 dB; and the file's name plays no part (an .ogg named .wav is Vorbis).
TEST_F(SoundFiles, OggVorbisDecodesAsSoxDoes) {
  const Bytes ogg = Vorbis("tones", "-r 44100 -c 2 -b 16", "1.5 sine 440 sine 1250 fade 0.01 1.5 0.2");
  ASSERT_GT(ogg.size(), 1000u);
  EXPECT_EQ(RecognizeSound(ogg.data(), ogg.size()), SoundFormat::kOggVorbis);
  DecodedWav ours;
  ASSERT_EQ(DecodeSound(ogg.data(), ogg.size(), ours), kBassOk);
  EXPECT_EQ(ours.sampleRate, 44100u);
  ASSERT_EQ(ours.channels, 2u);
  const std::vector<float> sox = SoxDecodes(ogg);
  EXPECT_EQ(ours.samples.size(), sox.size());
  EXPECT_EQ(ours.samples.size(), size_t{2} * 44100 * 3 / 2);
  const double correlation = Correlation(ours.samples, sox);
  std::printf("Vorbis against sox: correlation %.7f, levels %.4f / %.4f\n", correlation, Rms(ours.samples, 0, 2, 0),
              Rms(sox, 0, 2, 0));
  EXPECT_GT(correlation, 0.99999);
  for (size_t channel : {0u, 1u}) {
    EXPECT_NEAR(20 * std::log10(Rms(ours.samples, 0, 2, channel) / Rms(sox, 0, 2, channel)), 0.0, 0.01) << channel;
  }
}

// Vorbis orders three channels and more its own way (left, centre, right,
// ...); they come out in the order of a WAV file's speakers, with the mask
// that names them, so the down-mix puts each where it belongs. (5.1 is
// refused: see the next tests.)
TEST_F(SoundFiles, VorbisChannelsComeOutInTheOrderOfAWavFile) {
  struct Case {
    int channels;
    size_t sounding;  // the one channel with the tone, in WAV order
    uint32_t mask;
  };
  for (const Case c : {Case{3, 2, 0x7}, Case{5, 3, 0x37}, Case{7, 4, 0x70F}, Case{8, 7, 0x63F}, Case{8, 4, 0x63F}}) {
    SCOPED_TRACE(c.channels);
    // sox's channel n of the remix is WAV channel n, as oggenc reads it.
    std::string remix;
    for (int i = 1; i <= c.channels; ++i) remix += static_cast<size_t>(i - 1) == c.sounding ? " 1" : " 0";
    const fs::path mono = dir_ / "mono.wav", wav = dir_ / "multi.wav", ogg = dir_ / "multi.ogg";
    ASSERT_TRUE(Run("sox -n -r 48000 -c 1 -b 16 " + mono.string() + " synth 0.5 sine 300"));
    ASSERT_TRUE(Run("sox " + mono.string() + " -c " + std::to_string(c.channels) + " " + wav.string() + " remix" + remix));
    ASSERT_TRUE(Run("oggenc -Q " + wav.string() + " -o " + ogg.string()));
    const Bytes file = Read(ogg);
    DecodedWav ours;
    ASSERT_EQ(DecodeSound(file.data(), file.size(), ours), kBassOk);
    ASSERT_EQ(ours.channels, c.channels);
    EXPECT_EQ(ours.channelMask, c.mask);
    for (size_t channel = 0; channel < ours.channels; ++channel) {
      const double level = Rms(ours.samples, 0, ours.channels, channel);
      if (channel == c.sounding) {
        EXPECT_GT(level, 0.3) << channel;
      } else {
        EXPECT_LT(level, 0.01) << channel;
      }
    }
  }
}

// Told by the content: each kind of file by its first bytes, an Ogg stream of
// another codec apart from Vorbis, and formats not read here refused with 41.
TEST_F(SoundFiles, TheFormatIsToldByTheContent) {
  auto recognize = [](const Bytes& b) { return RecognizeSound(b.data(), b.size()); };
  const Bytes wav = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  EXPECT_EQ(recognize(wav), SoundFormat::kWav);
  // An Ogg page of one segment whose packet is an Opus header.
  Bytes opus = {'O', 'g', 'g', 'S', 0, 2};
  opus.resize(26, 0);
  opus.push_back(1);   // one segment
  opus.push_back(19);  // of 19 bytes
  for (char ch : std::string("OpusHead")) opus.push_back(static_cast<uint8_t>(ch));
  opus.resize(opus.size() + 11, 0);
  EXPECT_EQ(recognize(opus), SoundFormat::kOggOther);
  DecodedWav out;
  EXPECT_EQ(DecodeSound(opus.data(), opus.size(), out), kBassErrorFileForm);
  // Two MPEG-1 layer III frames of 128 kbit/s at 44.1 kHz (417 bytes each),
  // after an ID3v2 tag of 20 bytes; the same bytes with a broken second
  // frame are not MP3.
  Bytes mp3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
  mp3.resize(30, 0);
  for (int frame = 0; frame < 2; ++frame) {
    const size_t at = mp3.size();
    mp3.resize(at + 417, 0);
    mp3[at] = 0xFF;
    mp3[at + 1] = 0xFB;
    mp3[at + 2] = 0x90;
  }
  EXPECT_EQ(recognize(mp3), SoundFormat::kMp3);
  Bytes notMp3 = mp3;
  notMp3[30 + 417] = 0x00;
  EXPECT_EQ(recognize(notMp3), SoundFormat::kUnknown);
  EXPECT_EQ(recognize(Bytes{0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'M', '4', 'A', ' '}), SoundFormat::kMp4);
  EXPECT_EQ(recognize(Bytes{'f', 'L', 'a', 'C', 0, 0, 0, 0x22}), SoundFormat::kFlac);
  // A FLAC header cut short tells no bits per sample (and is not read past).
  EXPECT_EQ(FlacBitsPerSample(Bytes{'f', 'L', 'a', 'C'}.data(), 4), 0u);
  EXPECT_EQ(recognize(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}), SoundFormat::kUnknown);
  EXPECT_EQ(recognize(Bytes{}), SoundFormat::kUnknown);
  // A tag that claims more than the file holds leaves nothing to recognise.
  Bytes longTag = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  EXPECT_EQ(recognize(longTag), SoundFormat::kUnknown);
}

// Damaged copies of a Vorbis file: an error code or the part before the
// damage, never more than the whole; and a stream of more channels than the
// library plays, or of 5.1, is refused as a format it does not play.
TEST_F(SoundFiles, DamagedAndOversizedVorbisIsRefusedOrCutShort) {
  const Bytes ogg = Vorbis("click", "-r 44100 -c 1 -b 16", "2 pinknoise fade 0 2 1.9");
  DecodedWav whole;
  ASSERT_EQ(DecodeSound(ogg.data(), ogg.size(), whole), kBassOk);
  const size_t wholeFrames = whole.samples.size();

  const Bytes half(ogg.begin(), ogg.begin() + static_cast<std::ptrdiff_t>(ogg.size() / 2));
  DecodedWav out;
  ASSERT_EQ(DecodeSound(half.data(), half.size(), out), kBassOk) << "the first half decodes";
  EXPECT_GT(out.samples.size(), wholeFrames / 4);
  EXPECT_LT(out.samples.size(), wholeFrames);

  // The headers only (the first 4 KB hold them and little else), then the
  // same followed by noise: nothing, or some sound; at most the whole.
  Bytes headers(ogg.begin(), ogg.begin() + 4096);
  Bytes noisy = headers;
  uint32_t seed = 1;
  for (int i = 0; i < 100000; ++i) noisy.push_back(static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24));
  for (const Bytes* damaged : {&headers, &noisy}) {
    const int result = DecodeSound(damaged->data(), damaged->size(), out);
    EXPECT_TRUE(result == kBassErrorFileForm || (result == kBassOk && out.samples.size() <= wholeFrames)) << result;
  }
  // A comment header whose count or vendor length runs past its packet
  // (stb_vorbis would write past its memory, or read through a null
  // pointer while giving up): refused before the decoder sees it.
  const auto header = std::search(ogg.begin(), ogg.end(), std::begin("\x03vorbis"), std::end("\x03vorbis") - 1);
  ASSERT_NE(header, ogg.end());
  const size_t vendorAt = static_cast<size_t>(header - ogg.begin()) + 7;
  const size_t vendor = ogg[vendorAt] | (ogg[vendorAt + 1] << 8);
  for (size_t field : {vendorAt, vendorAt + 4 + vendor}) {
    Bytes hostile = ogg;
    hostile[field] = 0x01;
    hostile[field + 1] = 0x00;
    hostile[field + 2] = 0x00;
    hostile[field + 3] = 0x20;
    EXPECT_EQ(DecodeSound(hostile.data(), hostile.size(), out), kBassErrorFileForm) << field;
  }
  // Noise inside the headers: refused.
  Bytes broken = ogg;
  for (size_t i = 40; i < 200; ++i) broken[i] ^= 0x5A;
  EXPECT_EQ(DecodeSound(broken.data(), broken.size(), out), kBassErrorFileForm);
  EXPECT_TRUE(out.samples.empty());
  EXPECT_EQ(DecodeSound(ogg.data(), 0, out), kBassErrorFileForm);

  const fs::path nine = dir_ / "nine.ogg";
  ASSERT_TRUE(Run("sox -n -r 8000 -c 9 -b 16 " + (dir_ / "nine.wav").string() + " synth 0.2 sine 300"));
  ASSERT_TRUE(Run("oggenc -Q " + (dir_ / "nine.wav").string() + " -o " + nine.string()));
  const Bytes nineFile = Read(nine);
  EXPECT_EQ(DecodeSound(nineFile.data(), nineFile.size(), out), kBassErrorFormat);
  // 5.1, which stb_vorbis would decode into noise.
  const Bytes fiveOne = Vorbis("fiveone", "-r 48000 -c 6 -b 16", "0.2 sine 300");
  EXPECT_EQ(DecodeSound(fiveOne.data(), fiveOne.size(), out), kBassErrorFormat);
}

// At most ten minutes are decoded: a longer stream gives its first ten.
TEST_F(SoundFiles, AtMostTenMinutesAreDecoded) {
  const Bytes ogg = Vorbis("long", "-r 2000 -c 1 -b 16", "610 sine 200");
  DecodedWav out;
  ASSERT_EQ(DecodeSound(ogg.data(), ogg.size(), out), kBassOk);
  EXPECT_EQ(out.samples.size(), size_t{2000} * kMaxDecodedSeconds);
}

// A keyboard pack's sprite is kept at 16 bits once at the output's rate:
// four bytes a stereo frame, so 40 seconds take 7.7 MB (in float, 15).
TEST_F(SoundFiles, AStereoSpriteIsKeptAtSixteenBits) {
  const Bytes ogg = Vorbis("sprite", "-r 44100 -c 2 -b 16", "4 sine 300 sine 500");
  DecodedWav out;
  ASSERT_EQ(DecodeSound(ogg.data(), ogg.size(), out), kBassOk);
  EXPECT_TRUE(out.sixteenBits);
  const StereoSamples kept(ResampleStereo(ToStereo(out), out.sampleRate, 48000), out.sixteenBits);
  EXPECT_EQ(kept.Frames(), size_t{4} * 48000);
  EXPECT_EQ(kept.Bytes(), kept.Frames() * 4);
  EXPECT_LE(10 * kept.Bytes(), size_t{8} << 20) << "40 seconds";
}

// An MP3 is cut to the sound its encoder was given, as the encoder's summary
// frame says, whether the system's decoder gave every frame it decoded (with
// or without the summary frame as a frame of silence) or cut it itself; a
// file without the summary is left as decoded. The summary is read from
// files lame makes: its length is the source's, at MPEG-1 and MPEG-2 rates.
TEST_F(SoundFiles, AnMp3IsCutToWhatItsEncoderWasGiven) {
  ASSERT_TRUE(Run("lame --version")) << "lame makes the files (apt-get install lame)";
  const fs::path wav = dir_ / "sweep.wav";
  ASSERT_TRUE(Run("sox -n -r 44100 -c 2 -b 16 " + wav.string() + " synth 0.5 sine 200-6000"));
  const struct {
    const char* options;
    uint64_t frames;  // of the source, at the file's rate
    uint32_t samplesPerFrame;
  } encodings[] = {{"-b 192", 22050, 1152}, {"-m m --resample 22.05 -b 64", 11025, 576}};
  for (const auto& e : encodings) {
    SCOPED_TRACE(e.options);
    const fs::path mp3 = dir_ / "sweep.mp3";
    ASSERT_TRUE(Run(std::string("lame --quiet ") + e.options + " " + wav.string() + " " + mp3.string()));
    const Bytes file = Read(mp3);
    const Mp3Gapless gapless = ReadMp3Gapless(file.data(), file.size());
    ASSERT_TRUE(gapless.known);
    EXPECT_EQ(gapless.frames, e.frames);
    EXPECT_EQ(gapless.samplesPerFrame, e.samplesPerFrame);
    EXPECT_EQ(gapless.decodedFrames % e.samplesPerFrame, 0u);
    EXPECT_GT(gapless.skipFrames, kMp3DecoderDelay);
    EXPECT_GE(gapless.decodedFrames, gapless.skipFrames + gapless.frames - kMp3DecoderDelay);

    // A decoder's output as a ramp: frame i holds i, so where the cut falls shows.
    for (const uint64_t given : {gapless.decodedFrames, gapless.decodedFrames + e.samplesPerFrame, e.frames}) {
      SCOPED_TRACE(given);
      DecodedWav out;
      ASSERT_EQ(DecodeSound(file.data(), file.size(), out,
                            [&](const uint8_t*, size_t, SoundFormat format, DecodedWav& decoded) {
                              EXPECT_EQ(format, SoundFormat::kMp3);
                              decoded.sampleRate = gapless.rate;
                              decoded.channels = 1;
                              for (uint64_t i = 0; i < given; ++i) decoded.samples.push_back(static_cast<float>(i));
                              return kBassOk;
                            }),
                kBassOk);
      ASSERT_EQ(out.samples.size(), e.frames);
      const uint64_t first = given == e.frames ? 0
                             : given == gapless.decodedFrames ? gapless.skipFrames
                                                              : gapless.skipFrames + e.samplesPerFrame;
      EXPECT_EQ(out.samples.front(), static_cast<float>(first));
    }
  }
  // Without the summary (lame -t), nothing tells what to cut.
  const fs::path bare = dir_ / "bare.mp3";
  ASSERT_TRUE(Run("lame --quiet -t " + wav.string() + " " + bare.string()));
  const Bytes file = Read(bare);
  EXPECT_FALSE(ReadMp3Gapless(file.data(), file.size()).known);
  DecodedWav out;
  ASSERT_EQ(DecodeSound(file.data(), file.size(), out, [](const uint8_t*, size_t, SoundFormat, DecodedWav& decoded) {
              decoded.sampleRate = 44100;
              decoded.channels = 2;
              decoded.samples.assign(2 * 30000, 0.5f);
              return kBassOk;
            }),
            kBassOk);
  EXPECT_EQ(out.samples.size(), 2u * 30000);
  // Without the system's decoders an MP3 is "no codec", not "not a sound file".
  EXPECT_EQ(DecodeSound(file.data(), file.size(), out), kBassErrorCodec);
}

// An MP4 file goes to the system's decoder only when its top-level boxes
// follow one another to its end and one is the movie box: Wine's decoder
// waits forever on a file cut short, so such a file is refused first.
TEST_F(SoundFiles, AnMp4CutShortIsRefusedBeforeItsDecoderSeesIt) {
  auto box = [](const char* type, uint32_t length) {
    Bytes b = {static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
               static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    b.insert(b.end(), type, type + 4);
    b.resize(length < 8 ? 8 : length, 0);
    return b;
  };
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  auto whole = [](const Bytes& b) { return Mp4BoxesWhole(b.data(), b.size()); };
  const Bytes file = join({box("ftyp", 24), box("mdat", 400), box("moov", 120)});
  EXPECT_TRUE(whole(file));
  EXPECT_FALSE(whole(join({box("ftyp", 24), box("mdat", 400)}))) << "no movie box";
  for (size_t cut : {size_t{8}, size_t{64}, file.size() / 2, file.size() - 1}) {
    EXPECT_FALSE(whole(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)))) << "cut at " << cut;
  }
  Bytes toEnd = join({box("ftyp", 24), box("moov", 40), box("mdat", 100)});
  toEnd[24 + 40 + 3] = 0;  // the last box's size 0: it runs to the end
  EXPECT_TRUE(whole(toEnd));
  Bytes large = join({box("ftyp", 24), box("moov", 40), box("mdat", 16)});
  large[64 + 3] = 1;  // a 64-bit size after the type
  large[64 + 15] = 16;
  EXPECT_TRUE(whole(large));
  Bytes noise = join({box("ftyp", 24), box("moov", 40)});
  noise.insert(noise.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'n', 'o', 'i', 's'});
  EXPECT_FALSE(whole(noise));
  DecodedWav out;
  const Bytes cut(file.begin(), file.begin() + 100);
  EXPECT_EQ(DecodeSound(cut.data(), cut.size(), out, [](const uint8_t*, size_t, SoundFormat, DecodedWav&) {
              ADD_FAILURE() << "a file cut short reached the system's decoder";
              return kBassOk;
            }),
            kBassErrorFileForm);
}

// The formats Windows' own decoders read for the library (MP3, AAC in MP4,
// FLAC), against what ffmpeg decodes from the same files on the build
// machine; damaged copies of each; and a Windows without those decoders.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/media_foundation_win.h"
#include "bass/sound_decoder.h"
#include "tests/win_test_util.h"

namespace {

std::vector<uint8_t> Fixture(const std::string& name) {
  const std::string text = testutil::ReadFileText(std::string(BRISOLT_TEST_FIXTURES) + "\\" + name);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<float> FfmpegDecode(const std::string& name) {
  const std::vector<uint8_t> bytes = Fixture(name + ".f32");
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  return samples;
}

// How two decodes of one file line up: the shift of ours against theirs
// that matches best (in frames; positive when ours starts later), the
// correlation there, and the level of ours against theirs in dB.
struct Match {
  long lag = 0;
  double correlation = 0;
  double levelDb = 0;
};

Match Compare(const std::vector<float>& ours, const std::vector<float>& theirs, size_t channels, long maxLag) {
  const auto oursFrames = static_cast<long>(ours.size() / channels);
  const auto theirFrames = static_cast<long>(theirs.size() / channels);
  Match best;
  best.correlation = -2;
  for (long lag = -maxLag; lag <= maxLag; ++lag) {
    double cross = 0, a = 0, b = 0;
    for (long i = std::max(0L, -lag); i < theirFrames && i + lag < oursFrames; ++i) {
      for (size_t c = 0; c < channels; ++c) {
        const double x = ours[static_cast<size_t>(i + lag) * channels + c];
        const double y = theirs[static_cast<size_t>(i) * channels + c];
        cross += x * y;
        a += x * x;
        b += y * y;
      }
    }
    if (a == 0 || b == 0) continue;
    const double correlation = cross / std::sqrt(a * b);
    if (correlation > best.correlation) best = Match{lag, correlation, 10 * std::log10(a / b)};
  }
  return best;
}

int DecodeHere(const std::vector<uint8_t>& bytes, DecodedWav& out) {
  static std::unique_ptr<MediaFoundation> media;
  return DecodeSound(bytes.data(), bytes.size(), out, [](const uint8_t* data, size_t size, SoundFormat format,
                                                         DecodedWav& wav) {
    if (!media) {
      if (const int started = MediaFoundation::Start(media); started != kBassOk) return started;
    }
    return media->Decode(data, size, format, wav);
  });
}

struct Case {
  const char* file;
  uint32_t rate;
  uint16_t channels;
  long frames;       // as ffmpeg gives them
  long lengthSlack;  // frames ours may differ by
  long maxLag;       // the widest shift looked for; 0: ours must start where ffmpeg's does
  double minCorrelation;
  double maxLevelDb;
  bool sixteenBits;
};

}  // namespace

// Every file decodes to the sound ffmpeg decodes from it: the same rate,
// channels and length, the same start (an MP3 honours its encoder's delay
// and padding, so a click does not begin with silence), closely correlated
// at the same level. The figures are printed for the record.
TEST(MediaDecoding, EachFormatDecodesAsFfmpegDecodesIt) {
  const Case cases[] = {
      {"sweep.mp3", 44100, 2, 22050, 0, 0, 0.999, 0.05, true},
      {"sweep22.mp3", 22050, 1, 11025, 0, 0, 0.999, 0.05, true},
      {"click.mp3", 44100, 1, 4410, 0, 0, 0.999, 0.05, true},
      // AAC: an encoder's priming is told by the container, which decoders
      // honour in different ways; a shift is allowed, and shown.
      {"sweep.m4a", 44100, 2, 22528, 2112, 2112, 0.99, 0.2, true},
      {"sweep.flac", 44100, 2, 22050, 0, 0, 0.999999, 0.001, true},
      {"sweep24.flac", 48000, 2, 24000, 0, 0, 0.999999, 0.001, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    DecodedWav ours;
    ASSERT_EQ(DecodeHere(Fixture(c.file), ours), kBassOk);
    const std::vector<float> theirs = FfmpegDecode(c.file);
    ASSERT_EQ(theirs.size(), static_cast<size_t>(c.frames) * c.channels) << "ffmpeg's decode is not as made";
    EXPECT_EQ(ours.sampleRate, c.rate);
    ASSERT_EQ(ours.channels, c.channels);
    EXPECT_EQ(ours.sixteenBits, c.sixteenBits);
    const auto frames = static_cast<long>(ours.samples.size() / ours.channels);
    EXPECT_LE(std::labs(frames - c.frames), c.lengthSlack) << frames << " frames for ffmpeg's " << c.frames;
    const Match match = Compare(ours.samples, theirs, c.channels, std::max(c.maxLag, 64L));
    std::printf("%-13s %6ld frames (ffmpeg %6ld), shift %5ld, correlation %.7f, level %+.4f dB\n", c.file, frames,
                c.frames, match.lag, match.correlation, match.levelDb);
    if (c.maxLag == 0) {
      EXPECT_EQ(match.lag, 0);
    }
    EXPECT_GE(match.correlation, c.minCorrelation);
    EXPECT_LE(std::fabs(match.levelDb), c.maxLevelDb);
  }
  // The click is heard from its first millisecond.
  DecodedWav click;
  ASSERT_EQ(DecodeHere(Fixture("click.mp3"), click), kBassOk);
  double early = 0;
  for (size_t i = 0; i < 44 && i < click.samples.size(); ++i) {
    early = std::max(early, std::fabs(double{click.samples[i]}));
  }
  EXPECT_GT(early, 0.2);
}

// Damaged copies of each give an error or the part that decodes, never a
// crash or a hang; the decoders then read an intact file as before.
TEST(MediaDecoding, DamagedFilesGiveAnErrorOrWhatDecodes) {
  for (const char* file : {"sweep.mp3", "sweep.m4a", "sweep.flac"}) {
    const std::vector<uint8_t> whole = Fixture(file);
    std::vector<uint8_t> noise = std::vector<uint8_t>(whole.begin(), whole.begin() + 64);
    uint32_t seed = 7;
    while (noise.size() < whole.size()) {
      seed = seed * 1664525u + 1013904223u;
      noise.push_back(static_cast<uint8_t>(seed >> 24));
    }
    const struct {
      const char* name;
      std::vector<uint8_t> bytes;
    } copies[] = {
        {"cut in half", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2))},
        {"header only", std::vector<uint8_t>(whole.begin(), whole.begin() + 64)},
        {"header then noise", noise},
        {"empty", {}},
    };
    for (const auto& copy : copies) {
      SCOPED_TRACE(std::string(file) + ", " + copy.name);
      DecodedWav wav;
      const int result = DecodeHere(copy.bytes, wav);
      if (result == kBassOk) {
        EXPECT_GT(wav.samples.size(), 0u);
        EXPECT_LE(wav.samples.size(), 2 * whole.size() * 64) << "no more than such a file could hold";
      } else {
        EXPECT_TRUE(result == kBassErrorFileForm || result == kBassErrorFormat) << "error " << result;
      }
    }
    DecodedWav intact;
    EXPECT_EQ(DecodeHere(whole, intact), kBassOk);
  }
}

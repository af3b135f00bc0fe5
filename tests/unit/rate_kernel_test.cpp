// A voice at a rate of its own, read in the mixer between its frames, against
// the band-limited resampler that made such voices a copy of their own data.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/dsp.h"
#include "bass/rate_kernel.h"
#include "bass/sample_store.h"
#include "bass/wav_decoder.h"

namespace {

constexpr uint32_t kRate = 48000;

// What a voice plays, block by block as the render thread asks for it;
// `stopAt` > 0 fades it out from that block on.
std::vector<float> PlayedAt(SampleFrames data, double step, size_t stopAt = 0) {
  Mixer mixer(kRate, 4);
  EXPECT_TRUE(mixer.Start(data, 1, 1.0f, 0, nullptr, 0, step));
  std::vector<float> out;
  std::vector<float> block(2 * 480);
  while (mixer.ActiveVoices() > 0 && out.size() < 4 * 2 * data.frames + 4096) {
    if (stopAt > 0 && out.size() == stopAt * block.size()) mixer.Stop(1);
    mixer.Render(block.data(), 480);
    out.insert(out.end(), block.begin(), block.end());
  }
  return out;
}

std::vector<float> PlayedAt(const std::vector<float>& data, double step) {
  return PlayedAt({data.data(), nullptr, data.size() / 2}, step);
}

// The difference of two signals over the first's length, against its energy, in dB.
double DifferenceDb(const std::vector<float>& reference, const std::vector<float>& other) {
  double error = 0, energy = 0;
  for (size_t i = 0; i < reference.size(); ++i) {
    const double d = reference[i] - (i < other.size() ? other[i] : 0.0f);
    error += d * d;
    energy += static_cast<double>(reference[i]) * reference[i];
  }
  return 10 * std::log10(error / energy);
}

// A sine sweep from 30 Hz to 16 kHz over a second, stereo with the right
// channel a quarter period behind.
std::vector<float> Sweep() {
  std::vector<float> v(2 * kRate);
  double phase = 0;
  for (size_t i = 0; i < kRate; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double hz = 30 * std::pow(16000.0 / 30, t);
    phase += 2 * std::numbers::pi * hz / kRate;
    const double fade = std::min({1.0, i / 480.0, (kRate - 1 - i) / 480.0});
    v[2 * i] = static_cast<float>(0.5 * fade * std::sin(phase));
    v[2 * i + 1] = static_cast<float>(0.5 * fade * std::cos(phase));
  }
  return v;
}

// A shipped key sound at the mixer's rate, as the library loads it.
std::vector<float> KeySound() {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "assets" / "Schemes" /
                    "TypeWriter" / "Enter.wav";
  std::ifstream in(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  DecodedWav wav;
  EXPECT_EQ(DecodeWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), wav), kBassOk) << path;
  return ResampleStereo(ToStereo(wav), wav.sampleRate, kRate);
}

// The strength of one frequency in the left channel (Goertzel), per frame.
double ToneLevel(const std::vector<float>& stereo, double hz) {
  const double coeff = 2 * std::cos(2 * std::numbers::pi * hz / kRate);
  double s1 = 0, s2 = 0;
  for (size_t i = 0; i < stereo.size() / 2; ++i) {
    const double s0 = stereo[2 * i] + coeff * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return std::sqrt(std::max(s1 * s1 + s2 * s2 - coeff * s1 * s2, 0.0)) / static_cast<double>(stereo.size() / 2);
}

}  // namespace

// Within the 5 % that the variation of each press uses, the voice sounds as
// the same data resampled whole would: at most -70 dB apart, for a key sound
// and for a sweep through the audible band.
TEST(VoiceAtARate, SoundsAsTheResampledDataWithinFivePercent) {
  const std::vector<std::vector<float>> signals = {KeySound(), Sweep()};
  for (size_t s = 0; s < signals.size(); ++s) {
    ASSERT_FALSE(signals[s].empty());
    for (uint32_t freq : {45600u, 46900u, 47999u, 48500u, 49440u, 50400u}) {
      const double step = static_cast<double>(freq) / kRate;
      const std::vector<float> reference = ResampleStereo(signals[s], freq, kRate);
      const std::vector<float> played = PlayedAt(signals[s], step);
      const double db = DifferenceDb(reference, played);
      std::printf("%s at %u Hz: %.1f dB\n", s == 0 ? "key sound" : "sweep", freq, db);
      EXPECT_LT(db, -70.0) << (s == 0 ? "key sound" : "sweep") << " at " << freq;
      EXPECT_NEAR(static_cast<double>(played.size()) / 2, static_cast<double>(reference.size()) / 2, 480.0)
          << "ends with the data, within a block";
    }
  }
}

// Far outside that range nothing folds back: a 15 kHz tone played twice as
// fast would be 30 kHz, above the output's Nyquist frequency; it must not
// come back as 18 kHz. A tone inside the band keeps its level and moves to
// its new pitch.
TEST(VoiceAtARate, FarAboveItsRateNothingFoldsBack) {
  auto tone = [](double hz) {
    std::vector<float> v(2 * kRate / 2);
    for (size_t i = 0; i < v.size() / 2; ++i) v[2 * i] = v[2 * i + 1] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * hz * i / kRate));
    return v;
  };
  const std::vector<float> high = PlayedAt(tone(15000), 2.0);
  EXPECT_LT(ToneLevel(high, 18000), 0.5 * 1e-3 / 2) << "60 dB below the tone";
  const std::vector<float> low = PlayedAt(tone(3000), 2.0);
  EXPECT_NEAR(ToneLevel(low, 6000) * 2, 0.5, 0.02) << "a tone in the band keeps its level at its new pitch";
  const std::vector<float> down = PlayedAt(tone(3000), 0.5);
  EXPECT_NEAR(ToneLevel(down, 1500) * 2, 0.5, 0.02) << "and played at half speed";
}

// Processors without AVX2 read through the portable loop: it gives what the
// chosen one gives, at every cut-off, phase and step a voice can take.
TEST(VoiceAtARate, EveryProcessorReadsTheSame) {
  std::vector<float> data(2 * 4096);
  uint32_t seed = 7;
  for (float& x : data) {
    seed = seed * 1664525u + 1013904223u;
    x = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  for (double step : {0.25, 0.95, 1.0001, 1.05, 1.3, 2.0, 7.0}) {
    const RateKernel& kernel = KernelForStep(step);
    const auto fixedStep = static_cast<uint64_t>(step * 4294967296.0);
    const size_t count = 200;
    const uint64_t from = uint64_t{kernel.taps} << 32 | 0x12345678u;
    std::vector<float> chosen(2 * count), portable(2 * count);
    kernel.ReadRun(data.data(), from, fixedStep, count, chosen.data());
    ReadRunPortable(kernel, data.data(), from, fixedStep, count, portable.data());
    for (size_t i = 0; i < chosen.size(); ++i) {
      ASSERT_NEAR(chosen[i], portable[i], 1e-5f) << "step " << step << ", value " << i;
    }
  }
}

// Data kept at 16 bits is read through a window of float the mixer fills run
// by run: at every step, at the data's edges and through a fade, a voice
// must play exactly what it plays from the same values kept in float.
TEST(VoiceAtARate, SixteenBitDataPlaysAsTheSameValuesInFloat) {
  std::vector<float> sweep = Sweep();
  sweep.resize(2 * 9000);  // short enough for the large steps to be quick
  const StereoSamples narrow(sweep, true);
  std::vector<float> same(sweep.size());
  SixteenBitsToFloat(narrow.View().stereo16, same.size(), same.data());
  ASSERT_EQ(narrow.View().stereo, nullptr);
  for (double step : {1.0, 0.9731, 1.05, 3.3, 40.0}) {
    for (size_t stopAt : {size_t{0}, size_t{3}}) {
      SCOPED_TRACE(testing::Message() << "step " << step << ", stopped at block " << stopAt);
      const std::vector<float> expected = PlayedAt({same.data(), nullptr, same.size() / 2}, step, stopAt);
      const std::vector<float> got = PlayedAt(narrow.View(), step, stopAt);
      ASSERT_EQ(got.size(), expected.size());
      double worst = 0;
      for (size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::fabs(double{got[i]} - expected[i]));
      EXPECT_LT(worst, 1e-6);
    }
  }
}

#include "bass/dsp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

// Interleaved stereo: a sine on the left, the matching cosine on the right.
std::vector<float> Tone(double hz, uint32_t rate, size_t frames, double amp) {
  std::vector<float> v(2 * frames);
  for (size_t i = 0; i < frames; ++i) {
    const double ph = 2.0 * kPi * hz * static_cast<double>(i) / rate;
    v[2 * i] = static_cast<float>(amp * std::sin(ph));
    v[2 * i + 1] = static_cast<float>(amp * std::cos(ph));
  }
  return v;
}

// Least-squares fit of s*sin + c*cos at exactly `hz` over the middle half of
// one channel; a wrong pitch or a delay shows up in c and in the residual.
struct SineFit { double s = 0, c = 0, residualDb = 0; };
SineFit Fit(const std::vector<float>& v, int ch, double hz, uint32_t rate, double amp) {
  const size_t n = v.size() / 2, from = n / 4, to = 3 * n / 4;
  auto basis = [&](size_t i) { const double ph = 2.0 * kPi * hz * static_cast<double>(i) / rate; return std::pair{std::sin(ph), std::cos(ph)}; };
  double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
  for (size_t i = from; i < to; ++i) {
    const auto [s, c] = basis(i);
    ss += s * s, cc += c * c, sc += s * c, ys += v[2 * i + ch] * s, yc += v[2 * i + ch] * c;
  }
  SineFit f;
  f.s = (ys * cc - yc * sc) / (ss * cc - sc * sc);
  f.c = (yc * ss - ys * sc) / (ss * cc - sc * sc);
  double e = 0;
  for (size_t i = from; i < to; ++i) {
    const auto [s, c] = basis(i);
    e += std::pow(v[2 * i + ch] - f.s * s - f.c * c, 2);
  }
  f.residualDb = 10.0 * std::log10(e / static_cast<double>(to - from) + 1e-30) - 20.0 * std::log10(amp);
  return f;
}

}  // namespace

TEST(Resampler, PassesToneWithItsLevelPitchAndTiming) {
  struct Case { uint32_t from, to; double hz; };
  // 44101 -> 48000 shares no small grid, so it runs the interpolated table.
  // Neighbours sharing one rate make sure a kept table is not reused for another pair.
  for (const Case c : {Case{44100, 48000, 1000}, Case{48000, 44100, 1000}, Case{48000, 22050, 5000},
                       Case{8000, 22050, 1000}, Case{8000, 48000, 1000}, Case{48000, 44100, 19000},
                       Case{44101, 48000, 15000}, Case{96000, 22050, 5000},
                       Case{50437, 48000, 15000} /* a varied press: the kernel on its grid */}) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to << " at " << c.hz << " Hz");
    const std::vector<float> out = ResampleStereo(Tone(c.hz, c.from, c.from / 2, 0.5), c.from, c.to);
    const SineFit left = Fit(out, 0, c.hz, c.to, 0.5), right = Fit(out, 1, c.hz, c.to, 0.5);
    // Any delay would turn part of the sine into cosine and the other way round.
    EXPECT_NEAR(left.s, 0.5, 0.5e-3);
    EXPECT_NEAR(left.c, 0.0, 0.5e-3);
    EXPECT_NEAR(right.c, 0.5, 0.5e-3);
    EXPECT_LT(std::max(left.residualDb, right.residualDb), -85.0);
  }
}

TEST(Resampler, DownsamplingRejectsTonesAboveTheNewNyquist) {
  struct Case { uint32_t from, to; double hz; };
  for (const Case c : {Case{48000, 22050, 20000}, Case{48000, 22050, 11300}, Case{44100, 8000, 4100},
                       Case{192000, 44100, 30000}}) {
    const std::vector<float> out = ResampleStereo(Tone(c.hz, c.from, c.from / 2, 0.5), c.from, c.to);
    double e = 0;
    for (size_t i = out.size() / 4; i < 3 * out.size() / 4; ++i) e += out[i] * out[i];
    EXPECT_LT(10.0 * std::log10(e / (out.size() / 2.0) / (0.5 * 0.5 / 2.0)), -85.0)
        << c.from << " -> " << c.to << " at " << c.hz;
  }
}

// Varied presses ask for a new pair each time and share the kept tables:
// whatever came before, a pair gives the same output.
TEST(Resampler, KeptTablesServeEveryPairAlike) {
  const std::vector<float> tone = Tone(3000, 48000, 4800, 0.5);
  const std::vector<float> first = ResampleStereo(tone, 50437, 48000);
  for (uint32_t from : {49001u, 45113u, 50437u, 51999u, 46321u, 47111u, 50437u}) {
    const std::vector<float> out = ResampleStereo(tone, from, 48000);
    if (from == 50437) {
      EXPECT_EQ(out, first);
    }
    const SineFit fit = Fit(out, 0, 3000.0 * from / 48000, 48000, 0.5);
    EXPECT_LT(fit.residualDb, -80.0) << from;
  }
}

TEST(Resampler, OutputLengthIsTheRoundedRatio) {
  struct Case { size_t in; uint32_t from, to; size_t out; };
  for (const Case c : {Case{44100, 44100, 48000, 48000}, Case{3, 48000, 44100, 3} /* 2.76 */,
                       Case{1, 44100, 48000, 1} /* 1.09 */, Case{10, 8000, 48000, 60}, Case{5, 48000, 1000, 0},
                       Case{1001, 384000, 1000, 3} /* 2.61 */, Case{0, 44100, 48000, 0}}) {
    EXPECT_EQ(ResampleStereo(std::vector<float>(2 * c.in), c.from, c.to).size(), 2 * c.out) << c.in << " " << c.from;
  }
  const std::vector<float> same = Tone(440, 48000, 100, 0.3);
  EXPECT_EQ(ResampleStereo(same, 48000, 48000), same);
}

TEST(Resampler, ConstantStaysConstantAwayFromTheEnds) {
  for (const auto& [from, to] : {std::pair{44100u, 48000u}, {48000u, 44100u}, {11025u, 48000u}, {44101u, 48000u}}) {
    std::vector<float> in(2 * 4000);
    for (size_t i = 0; i < 4000; ++i) in[2 * i] = 0.25f, in[2 * i + 1] = -0.5f;
    const std::vector<float> out = ResampleStereo(in, from, to);
    // The kernel reaches about 57 frames of the lower rate either side.
    const size_t n = out.size() / 2, margin = 60 * std::max<size_t>(1, to / from + 1);
    for (size_t i = margin; i < n - margin; ++i) {
      ASSERT_NEAR(out[2 * i], 0.25f, 1e-5f) << from << " -> " << to << " frame " << i;
      ASSERT_NEAR(out[2 * i + 1], -0.5f, 1e-5f) << from << " -> " << to << " frame " << i;
    }
  }
}

namespace {

// Left + right of what the reverb adds to a unit impulse.
std::vector<double> ImpulseResponse(uint32_t rate, float wet, float decay, float damp, double seconds) {
  Reverb reverb(rate);
  reverb.SetParameters(wet, decay, damp);
  const size_t n = static_cast<size_t>(seconds * rate);
  std::vector<float> buf(2 * n, 0.0f);
  buf[0] = buf[1] = 1.0f;
  for (size_t done = 0; done < n; done += 480) reverb.Process(buf.data() + 2 * done, std::min<size_t>(480, n - done));
  std::vector<double> ir(n);
  for (size_t i = 0; i < n; ++i) ir[i] = buf[2 * i] + buf[2 * i + 1];
  ir[0] -= 2.0;
  return ir;
}

// Three cascaded Butterworth biquads: steep enough that the other band's
// energy does not leak into the measurement.
std::vector<double> Band(std::vector<double> x, double hz, uint32_t rate, bool highPass) {
  const double w = 2.0 * kPi * hz / rate, alpha = std::sin(w) / std::sqrt(2.0), c = std::cos(w);
  const double a0 = 1 + alpha, a1 = -2 * c / a0, a2 = (1 - alpha) / a0;
  const double b0 = (highPass ? (1 + c) / 2 : (1 - c) / 2) / a0, b1 = (highPass ? -(1 + c) : 1 - c) / a0;
  for (int stage = 0; stage < 3; ++stage) {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : x) {
      const double y = b0 * v + b1 * x1 + b0 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = v, y2 = y1, y1 = y, v = y;
    }
  }
  return x;
}

// Schroeder backward integration, line fitted from -5 to -25 dB, extrapolated to -60 dB.
double Rt60(const std::vector<double>& ir, uint32_t rate) {
  std::vector<double> edc(ir.size());
  double acc = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, n = 0;
  for (size_t i = ir.size(); i-- > 0;) edc[i] = acc += ir[i] * ir[i];
  for (size_t i = 0; i < edc.size(); ++i) {
    const double db = 10.0 * std::log10(edc[i] / edc[0]), t = static_cast<double>(i) / rate;
    if (db <= -5.0 && db >= -25.0) sx += t, sy += db, sxx += t * t, sxy += t * db, n += 1;
  }
  return -60.0 / ((n * sxy - sx * sy) / (n * sxx - sx * sx));
}

}  // namespace

TEST(Reverb, DecayTimeIsTheRt60OfTheUndampedBand) {
  struct Preset { float wet, decay, damp; };
  for (const Preset p : {Preset{0.5f, 1.493f, 0.5f}, Preset{0.417f, 0.4f, 0.666f}, Preset{0.5f, 2.309f, 0.888f},
                         Preset{0.5f, 3.961f, 0.5f}, Preset{0.5f, 10.0f, 0.3f}, Preset{0.153f, 0.259f, 2.0f},
                         Preset{0.5f, 2.886f, 1.304f}, Preset{1.0f, 1.5f, 1.0f}, Preset{0.25f, 0.1f, 0.0f}}) {
    SCOPED_TRACE(testing::Message() << "wet " << p.wet << " decay " << p.decay << " damp " << p.damp);
    const std::vector<double> ir = ImpulseResponse(48000, p.wet, p.decay, p.damp, std::max(1.0, 1.3 * p.decay));
    // Damping below 1 shortens the highs, above 1 the lows; the other end keeps `decay`.
    EXPECT_NEAR(Rt60(Band(ir, p.damp <= 1.0f ? 400 : 12000, 48000, p.damp > 1.0f), 48000), p.decay, 0.2 * p.decay);
    if (p.damp == 1.0f) {
      EXPECT_NEAR(Rt60(ir, 48000), p.decay, 0.1 * p.decay);
    }
  }
}

TEST(Reverb, DampingChoosesWhichBandDiesFirst) {
  for (const float damp : {0.2f, 0.5f, 1.0f, 1.5f, 1.8f}) {
    const std::vector<double> ir = ImpulseResponse(44100, 0.5f, 2.0f, damp, 2.6);
    const double low = Rt60(Band(ir, 400, 44100, false), 44100), high = Rt60(Band(ir, 12000, 44100, true), 44100);
    // RT60 of the band that damping shortens over that of the band it leaves alone.
    const double ratio = damp < 1.0f ? high / low : low / high;
    if (damp == 1.0f) {
      EXPECT_NEAR(ratio, 1.0, 0.1);
    } else {
      EXPECT_LT(ratio, 0.8) << "damp " << damp;
    }
  }
}

TEST(Reverb, ZeroWetLeavesTheSignalBitIdentical) {
  const std::vector<float> tone = Tone(997, 48000, 9600, 0.7);
  Reverb reverb(48000);
  std::vector<float> out = tone;
  reverb.Process(out.data(), 9600);
  EXPECT_EQ(out, tone);

  // Turned off while a tail rings: after a 10 ms fade nothing more is added.
  reverb.SetParameters(1.0f, 5.0f, 1.0f);
  reverb.Process(out.data(), 9600);
  EXPECT_TRUE(reverb.Ringing());
  reverb.SetParameters(0.0f, 5.0f, 1.0f);
  EXPECT_FALSE(reverb.Enabled());
  reverb.Process(out.data(), 480);
  out = tone;
  reverb.Process(out.data(), 9600);
  EXPECT_FALSE(reverb.Ringing());
  EXPECT_EQ(out, tone);
}

TEST(Reverb, RingsUntilTheTailIsInaudibleAndClearForgetsIt) {
  Reverb reverb(48000);
  reverb.SetParameters(0.5f, 0.4f, 1.0f);
  std::vector<float> block(2 * 480, 0.0f);
  block[0] = block[1] = 1.0f;
  reverb.Process(block.data(), 480);
  EXPECT_TRUE(reverb.Ringing());  // though nothing has come out of the combs yet
  size_t ms = 10;
  for (; reverb.Ringing() && ms < 10000; ms += 10) {
    std::fill(block.begin(), block.end(), 0.0f);
    reverb.Process(block.data(), 480);
  }
  // The tail starts near -35 dBFS; reaching -90 dBFS takes a 0.4 s decay 0.37 s,
  // after the few tens of ms before the first echo.
  EXPECT_GT(ms, 300u);
  EXPECT_LT(ms, 900u);

  block[0] = 1.0f;
  reverb.Process(block.data(), 480);
  reverb.Clear();
  EXPECT_FALSE(reverb.Ringing());
  std::fill(block.begin(), block.end(), 0.0f);
  for (int i = 0; i < 20; ++i) reverb.Process(block.data(), 480);
  EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](float v) { return v == 0.0f; }));
}

TEST(Reverb, StaysBoundedOnTheLongestDecays) {
  for (const float damp : {0.0f, 1.0f, 2.0f}) {
    Reverb reverb(44100);
    reverb.SetParameters(1.0f, 100.0f, damp);  // clamped to 20 s
    uint32_t seed = 1;
    float peak = 0.0f;
    std::vector<float> block(2 * 441);
    for (int b = 0; b < 300; ++b) {
      for (float& v : block) v = static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 8388608.0f - 0.8f;
      reverb.Process(block.data(), 441);  // full-scale noise with a DC offset
      for (const float v : block) peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LT(peak, 8.0f) << "damp " << damp;  // false for NaN too
  }
}

namespace {

std::vector<float> Constant(size_t frames, float left, float right) {
  std::vector<float> v(2 * frames);
  for (size_t i = 0; i < frames; ++i) v[2 * i] = left, v[2 * i + 1] = right;
  return v;
}

SampleFrames Frames(const std::vector<float>& v) { return {v.data(), nullptr, v.size() / 2}; }

}  // namespace

TEST(Mixer, SumsVoicesAtTheirGainsFromTheirStartFramesUntilTheDataEnds) {
  std::vector<float> ramp(2 * 100);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 1000.0f;
  const std::vector<float> flat = Constant(100, 0.5f, -0.25f);
  Mixer mixer(48000, 4);
  std::atomic<int> a{1}, b{1};
  ASSERT_TRUE(mixer.Start(Frames(ramp), 1, 1.0f, 10, &a));
  ASSERT_TRUE(mixer.Start(Frames(flat), 2, 0.5f, 0, &b));
  std::vector<float> out(2 * 100, 99.0f);
  mixer.Render(out.data(), 50);
  for (size_t i = 0; i < 50; ++i) {
    ASSERT_FLOAT_EQ(out[2 * i], ramp[2 * (i + 10)] + 0.25f);
    ASSERT_FLOAT_EQ(out[2 * i + 1], ramp[2 * (i + 10) + 1] - 0.125f);
  }
  EXPECT_EQ(a.load() + b.load(), 2);
  mixer.Render(out.data(), 60);  // ramp ends after 40 frames, flat after 50
  EXPECT_EQ(out[2 * 39], ramp[198] + 0.25f);
  EXPECT_EQ(out[2 * 40], 0.25f);
  EXPECT_EQ(out[2 * 50], 0.0f);
  EXPECT_EQ(a.load() + b.load(), 0);
  EXPECT_TRUE(mixer.Silent());

  // Starting at or past the end plays nothing and counts as ended.
  a = 1;
  EXPECT_TRUE(mixer.Start(Frames(flat), 7, 1.0f, 100, &a));
  EXPECT_EQ(a.load(), 0);
  EXPECT_EQ(mixer.ActiveVoices(), 0u);
}

TEST(Mixer, StopFadesOnlyThatSampleWithoutAClick) {
  const std::vector<float> flat = Constant(48000, 0.8f, -0.8f), other = Constant(48000, 0.1f, 0.1f);
  Mixer mixer(48000, 4);
  // A few milliseconds: no audible fade, no click.
  EXPECT_GE(mixer.FadeFrames(), 96u);
  EXPECT_LE(mixer.FadeFrames(), 240u);
  std::atomic<int> stopped{2}, kept{1};
  ASSERT_TRUE(mixer.Start(Frames(flat), 1, 1.0f, 0, &stopped));
  ASSERT_TRUE(mixer.Start(Frames(flat), 1, 0.5f, 0, &stopped));
  ASSERT_TRUE(mixer.Start(Frames(other), 2, 1.0f, 0, &kept));
  std::vector<float> out(2 * 512);
  mixer.Render(out.data(), 512);  // past the attack: the fade begins at once
  ASSERT_GE(512u, mixer.AttackFrames());
  float previous = out[2 * 511];
  EXPECT_FLOAT_EQ(previous, 1.3f);
  mixer.Stop(1);
  mixer.Render(out.data(), 512);
  for (size_t i = 0; i < 512; ++i) {
    ASSERT_LE(std::fabs(out[2 * i] - previous), 1.2f / mixer.FadeFrames() + 1e-6f) << "frame " << i;
    previous = out[2 * i];
  }
  EXPECT_FLOAT_EQ(out[2 * (mixer.FadeFrames() - 1)], 0.1f);
  EXPECT_EQ(stopped.load(), 0);
  EXPECT_EQ(kept.load(), 1);

  mixer.StopAll();
  mixer.Render(out.data(), 512);
  EXPECT_EQ(out[2 * 511], 0.0f);
  EXPECT_EQ(kept.load(), 0);
}

TEST(Mixer, AVoiceCutBeforeItsAttackPlaysTheAttackFirst) {
  const std::vector<float> flat = Constant(48000, 0.5f, 0.5f);
  Mixer mixer(48000, 8);
  const size_t attack = mixer.AttackFrames();
  EXPECT_EQ(attack, 480u) << "10 ms";
  std::atomic<int> active{1};
  ASSERT_TRUE(mixer.Start(Frames(flat), 1, 1.0f, 0, &active));
  mixer.Stop(1);  // in the same period as its start, as with a fast second press
  mixer.Stop(1);  // a second stop does not move the end
  std::vector<float> out(2 * 1024);
  mixer.Render(out.data(), 1024);
  EXPECT_FLOAT_EQ(out[0], 0.5f);
  EXPECT_FLOAT_EQ(out[2 * (attack - 1)], 0.5f) << "the whole attack at full level";
  EXPECT_LT(out[2 * (attack + mixer.FadeFrames() / 2)], 0.5f) << "then the usual fade";
  EXPECT_EQ(out[2 * (attack + mixer.FadeFrames())], 0.0f);
  EXPECT_EQ(active.load(), 0);

  // Two presses that reach the render thread in the same period, the second
  // cutting the first: the first still sounds its whole attack beside the
  // second, where it used to fade out from its very first frame.
  const std::vector<float> quiet = Constant(48000, 0.25f, 0.25f);
  std::atomic<int> first{1}, second{1};
  ASSERT_TRUE(mixer.Start(Frames(quiet), 2, 1.0f, 0, &first));
  mixer.Stop(2);
  ASSERT_TRUE(mixer.Start(Frames(flat), 3, 1.0f, 0, &second));
  mixer.Render(out.data(), 1024);
  for (size_t i = 0; i < attack; ++i) ASSERT_FLOAT_EQ(out[2 * i], 0.75f) << "frame " << i;
  EXPECT_FLOAT_EQ(out[2 * (attack + mixer.FadeFrames())], 0.5f);
  EXPECT_EQ(first.load(), 0);
  EXPECT_EQ(second.load(), 1);
  mixer.StopAll();
  mixer.Render(out.data(), 1024);
  EXPECT_TRUE(mixer.Silent());
}

// A voice asked for later in the same period starts that much later, across
// the end of the buffer, and a stop before it began still lets its attack play.
TEST(Mixer, ADelayedVoiceBeginsAfterItsDelayEvenAcrossBuffers) {
  const std::vector<float> flat = Constant(48000, 0.5f, 0.5f);
  Mixer mixer(48000, 8);
  std::atomic<int> active{1};
  ASSERT_TRUE(mixer.Start(Frames(flat), 1, 1.0f, 0, &active, 700));
  std::vector<float> out(2 * 512);
  mixer.Render(out.data(), 512);
  for (float x : out) ASSERT_EQ(x, 0.0f);
  mixer.Stop(1);  // freed before it began
  mixer.Render(out.data(), 512);
  EXPECT_EQ(out[2 * 187], 0.0f);
  EXPECT_FLOAT_EQ(out[2 * 188], 0.5f) << "frame 700 of the voice's time";
  mixer.Render(out.data(), 512);
  EXPECT_FLOAT_EQ(out[2 * (700 + mixer.AttackFrames() - 1024 - 1)], 0.5f) << "its whole attack";
  mixer.Render(out.data(), 512);
  EXPECT_EQ(active.load(), 0) << "then the fade, and the end";
}

// A balance: the far side turned down by |x|, the near side at the volume,
// the centre (and a position that is no number) exactly the volume.
TEST(Mixer, PlacingTurnsTheFarSideDownAndKeepsTheNearSide) {
  struct Case { float volume, x, left, right; };
  for (const Case c : {Case{1.0f, -0.6f, 1.0f, 0.4f}, Case{1.0f, 0.6f, 0.4f, 1.0f}, Case{0.5f, 0.25f, 0.375f, 0.5f},
                       Case{0.8f, -5.0f, 0.8f, 0.0f}, Case{0.8f, 1.0f, 0.0f, 0.8f}}) {
    SCOPED_TRACE(testing::Message() << "volume " << c.volume << " at " << c.x);
    const StereoGain g = Placed(c.volume, c.x);
    EXPECT_FLOAT_EQ(g.left, c.left);
    EXPECT_FLOAT_EQ(g.right, c.right);
  }
  for (const float centre : {0.0f, -0.0f, std::nanf("")}) {
    const StereoGain g = Placed(0.37f, centre);
    EXPECT_EQ(g.left, 0.37f);
    EXPECT_EQ(g.right, 0.37f);
  }
}

// Each channel at its own gain, beside an unplaced voice, and the fade of a
// stop keeps the balance down to silence.
TEST(Mixer, APlacedVoiceKeepsItsBalanceThroughItsFade) {
  const std::vector<float> flat = Constant(48000, 0.5f, -0.5f), other = Constant(48000, 0.1f, 0.1f);
  Mixer mixer(48000, 4);
  std::atomic<int> placed{1}, centred{1};
  ASSERT_TRUE(mixer.Start(Frames(flat), 1, StereoGain(0.8f, 0.2f), 0, &placed));
  ASSERT_TRUE(mixer.Start(Frames(other), 2, 0.5f, 0, &centred));
  std::vector<float> out(2 * 1024);
  mixer.Render(out.data(), 1024);  // past the attack
  for (size_t i = 0; i < 1024; ++i) {
    ASSERT_FLOAT_EQ(out[2 * i], 0.45f) << "frame " << i;
    ASSERT_FLOAT_EQ(out[2 * i + 1], -0.05f) << "frame " << i;
  }
  mixer.Stop(2);
  mixer.Render(out.data(), 1024);  // the unplaced voice fades out and ends
  EXPECT_EQ(centred.load(), 0);
  EXPECT_FLOAT_EQ(out[2 * 1000], 0.4f);
  EXPECT_FLOAT_EQ(out[2 * 1000 + 1], -0.1f);
  mixer.Stop(1);
  mixer.Render(out.data(), 1024);
  for (size_t i = 0; i + 1 < mixer.FadeFrames(); ++i) {
    ASSERT_GT(out[2 * i], 0.0f) << "frame " << i;
    ASSERT_NEAR(out[2 * i + 1] / out[2 * i], -0.25f, 1e-5f) << "frame " << i;
    if (i > 0) {
      ASSERT_LT(out[2 * i], out[2 * (i - 1)]) << "frame " << i;
    }
  }
  EXPECT_EQ(out[2 * (mixer.FadeFrames() - 1)], 0.0f);
  EXPECT_EQ(out[2 * (mixer.FadeFrames() - 1) + 1], 0.0f);
  EXPECT_EQ(placed.load(), 0);
}

TEST(Mixer, StartFailsWhenEveryVoiceIsBusyAndReleasesTheCount) {
  const std::vector<float> flat = Constant(1000, 0.1f, 0.1f);
  Mixer mixer(44100, 2);
  std::atomic<int> active{3};
  EXPECT_TRUE(mixer.Start(Frames(flat), 1, 1.0f, 0, &active));
  EXPECT_TRUE(mixer.Start(Frames(flat), 1, 1.0f, 900, &active));
  EXPECT_FALSE(mixer.Start(Frames(flat), 1, 1.0f, 0, &active));
  EXPECT_EQ(active.load(), 2);
  std::vector<float> out(2 * 100);
  mixer.Render(out.data(), 100);  // frees the second voice
  active.fetch_add(1);
  EXPECT_TRUE(mixer.Start(Frames(flat), 1, 1.0f, 0, &active));
  EXPECT_EQ(active.load(), 2);
}

TEST(Mixer, DamagedDataCannotPutNanOrInfIntoTheOutput) {
  std::vector<float> bad = Constant(4800, 0.5f, 0.5f);
  bad[100] = std::nanf(""), bad[201] = INFINITY, bad[302] = -INFINITY, bad[403] = 3e38f;
  Mixer mixer(48000, 8);
  mixer.reverb().SetParameters(1.0f, 5.0f, 1.0f);
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(mixer.Start(Frames(bad), 1, 1.0f, 0, nullptr));
  std::vector<float> out(2 * 480);
  for (int b = 0; b < 50; ++b) {
    mixer.Render(out.data(), 480);
    ASSERT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); })) << "block " << b;
  }
}

TEST(Mixer, SilentOnlyOnceTheReverbTailHasDied) {
  const std::vector<float> click = Constant(480, 0.5f, 0.5f);
  Mixer mixer(48000, 4);
  mixer.reverb().SetParameters(0.5f, 0.5f, 1.0f);
  ASSERT_TRUE(mixer.Start(Frames(click), 1, 1.0f, 0, nullptr));
  std::vector<float> out(2 * 480);
  int blocks = 0;
  for (; (blocks < 2 || !mixer.Silent()) && blocks < 500; ++blocks) mixer.Render(out.data(), 480);
  EXPECT_GT(blocks, 20);
  EXPECT_LT(blocks, 200);
}

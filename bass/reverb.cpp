// Freeverb-style reverb: per channel eight parallel feedback combs into four
// series all-passes; the right channel's delays are a little longer so the two
// sides decorrelate into a wide tail. Instead of one fixed damping low-pass,
// each comb splits its loop signal at a crossover and gives the low and the
// high band their own loop gain, each derived from that band's RT60, which is
// what lets the decay time and the damping be set by their RT60s directly.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "bass/dsp.h"

namespace {

// Freeverb's delay lengths in frames at 44.1 kHz; mutually prime-ish so the
// echoes do not pile up on common multiples.
constexpr uint32_t kCombTuning[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr uint32_t kAllPassTuning[] = {556, 441, 341, 225};
constexpr uint32_t kStereoSpread = 23;
constexpr double kTuningRate = 44100.0;
// Freeverb's diffusion. Each all-pass also rings on its own, for about
// 3 * delay / log10(1 / gain); on very short decays that would outlast the
// combs and set the decay itself, so there the gain drops until an all-pass
// rings out within a quarter of the decay time (from 0.5 s downwards).
constexpr float kAllPassGain = 0.5f;
constexpr double kAllPassRingShare = 0.25;

// Scales the mono input into the combs. At a wet level of 1 a 1.5 s room puts
// the tail just after a short click about 13 dB under the click, and the whole
// tail holds a quarter of the click's energy: clearly a room, never louder than
// the sound itself. Longer decays hold proportionally more, as real halls do.
constexpr float kInputGain = 0.09f;

// Where the loop splits into the band that keeps `decay` and the band that
// damping shortens.
constexpr double kCrossoverHz = 3000.0;
// Removes any DC offset of the material before it reaches combs whose DC loop
// gain approaches 1 on long decays, where an offset would build up to a boom.
constexpr double kDcCutoffHz = 20.0;

constexpr float kMinDecay = 0.1f;
constexpr float kMaxDecay = 20.0f;
// Below -90 dBFS the tail is not heard, and processing can stop.
constexpr float kSilence = 3.1623e-5f;
// A change of level ramps over 10 ms so switching presets does not click.
constexpr double kWetRampSeconds = 0.01;

uint32_t Scaled(uint32_t frames44k, uint32_t rate) {
  return std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(frames44k * (rate / kTuningRate))));
}

float LoopGain(uint32_t length, uint32_t rate, double rt60) {
  // After rt60 seconds the signal has gone round rt60 / delay times and must
  // be 60 dB (10^-3) down.
  return static_cast<float>(std::pow(10.0, -3.0 * length / (rate * rt60)));
}

float Clamped(float v, float lo, float hi, float ifNan) {
  if (std::isnan(v)) return ifNan;
  return std::clamp(v, lo, hi);
}

}  // namespace

Reverb::Reverb(uint32_t rate) : rate_(std::max<uint32_t>(rate, 1000)) {
  size_t total = 0;
  for (int ch = 0; ch < 2; ++ch) {
    const uint32_t spread = ch == 0 ? 0 : kStereoSpread;
    for (int k = 0; k < kCombs; ++k) {
      combs_[ch][k].length = Scaled(kCombTuning[k] + spread, rate_);
      total += combs_[ch][k].length;
    }
    for (int k = 0; k < kAllPasses; ++k) {
      allPasses_[ch][k].length = Scaled(kAllPassTuning[k] + spread, rate_);
      total += allPasses_[ch][k].length;
    }
  }
  memory_.assign(total, 0.0f);
  float* next = memory_.data();
  size_t longestPath = 0;
  for (int ch = 0; ch < 2; ++ch) {
    size_t path = 0;
    for (Comb& c : combs_[ch]) {
      c.buffer = next;
      next += c.length;
      path = std::max<size_t>(path, c.length);
    }
    for (AllPass& a : allPasses_[ch]) {
      a.buffer = next;
      next += a.length;
      path += a.length;
    }
    longestPath = std::max(longestPath, path);
  }
  // Sound fed in comes out only after a comb delay at the earliest, so the tail
  // counts as alive for that long after the last input whatever its level.
  holdFrames_ = longestPath + kBlock;
  sinceInput_ = holdFrames_;
  scratch_.assign(3 * kBlock, 0.0f);

  const double fc = std::min(kCrossoverHz, 0.25 * rate_);
  const double k = std::tan(std::numbers::pi * fc / rate_);
  crossA0_ = static_cast<float>(k / (1.0 + k));
  crossB1_ = static_cast<float>((1.0 - k) / (1.0 + k));
  dcPole_ = static_cast<float>(1.0 - 2.0 * std::numbers::pi * kDcCutoffHz / rate_);
  wetStep_ = static_cast<float>(1.0 / (kWetRampSeconds * rate_));
  UpdateGains();
}

void Reverb::SetParameters(float wet, float decaySeconds, float damp) {
  wet_ = Clamped(wet, 0.0f, 1.0f, 0.0f);
  decay_ = Clamped(decaySeconds, kMinDecay, kMaxDecay, kMinDecay);
  damp_ = Clamped(damp, 0.0f, 2.0f, 1.0f);
  UpdateGains();
}

void Reverb::UpdateGains() {
  // Damping shortens one band's RT60; the other keeps the decay time. The
  // floor of a tenth keeps the damped band from vanishing in one pass.
  double rtLow = decay_;
  double rtHigh = decay_;
  if (damp_ < 1.0f) rtHigh = decay_ * std::max(damp_, 0.1f);
  if (damp_ > 1.0f) rtLow = decay_ * std::max(2.0f - damp_, 0.1f);
  for (auto& side : allPasses_) {
    for (AllPass& a : side) {
      a.gain = std::min(kAllPassGain, LoopGain(a.length, rate_, std::max(rtLow, rtHigh) * kAllPassRingShare));
    }
  }
  for (auto& side : combs_) {
    for (Comb& c : side) {
      c.gainLow = LoopGain(c.length, rate_, rtLow);
      c.gainHigh = LoopGain(c.length, rate_, rtHigh);
    }
  }
}

void Reverb::Clear() {
  std::fill(memory_.begin(), memory_.end(), 0.0f);
  for (auto& side : combs_) {
    for (Comb& c : side) {
      c.pos = 0;
      c.lowState = 0.0f;
      c.lastOut = 0.0f;
    }
  }
  for (auto& side : allPasses_) {
    for (AllPass& a : side) a.pos = 0;
  }
  dcIn_ = 0.0f;
  dcOut_ = 0.0f;
  tailPeak_ = 0.0f;
  sinceInput_ = holdFrames_;
}

bool Reverb::Enabled() const { return wet_ > 0.0f; }

bool Reverb::Ringing() const { return wetNow_ > 0.0f && (sinceInput_ < holdFrames_ || tailPeak_ > kSilence); }

float Reverb::AdvanceWet(size_t frames) {
  const float room = wetStep_ * static_cast<float>(frames);
  if (wetNow_ < wet_) {
    wetNow_ = std::min(wet_, wetNow_ + room);
  } else if (wetNow_ > wet_) {
    wetNow_ = std::max(wet_, wetNow_ - room);
  }
  return wetNow_;
}

void Reverb::RunComb(Comb& c, const float* in, float* sum, size_t frames) const {
  // Locals so the compiler keeps the loop state in registers.
  float* const buf = c.buffer;
  uint32_t pos = c.pos;
  float lowState = c.lowState;
  float last = c.lastOut;
  const float gHigh = c.gainHigh;
  const float gDiff = c.gainLow - c.gainHigh;
  const float a0 = crossA0_;
  const float b1 = crossB1_;
  for (size_t i = 0; i < frames; ++i) {
    const float y = buf[pos];
    // low = crossover low-pass of y; the loop applies gainLow to it and
    // gainHigh to y - low. The blend never exceeds the larger gain at any
    // frequency, so the loop is stable for any damping.
    const float low = a0 * (y + last) + b1 * lowState;
    lowState = low;
    last = y;
    buf[pos] = in[i] + gHigh * y + gDiff * low;
    if (++pos == c.length) pos = 0;
    sum[i] += y;
  }
  c.pos = pos;
  c.lowState = lowState;
  c.lastOut = last;
}

void Reverb::RunAllPass(AllPass& a, float* signal, size_t frames) {
  float* const buf = a.buffer;
  uint32_t pos = a.pos;
  const float g = a.gain;
  for (size_t i = 0; i < frames; ++i) {
    const float delayed = buf[pos];
    const float v = signal[i] + g * delayed;
    buf[pos] = v;
    signal[i] = delayed - g * v;
    if (++pos == a.length) pos = 0;
  }
  a.pos = pos;
}

void Reverb::Process(float* stereo, size_t frames) {
  // Dry only: leave the signal exactly as it is.
  if (wet_ == 0.0f && wetNow_ == 0.0f) return;

  float* const in = scratch_.data();
  float* const left = in + kBlock;
  float* const right = left + kBlock;
  for (size_t done = 0; done < frames;) {
    const size_t n = std::min(kBlock, frames - done);
    float* const io = stereo + 2 * done;
    done += n;

    float inPeak = 0.0f;
    for (size_t i = 0; i < n; ++i) {
      in[i] = 0.5f * (io[2 * i] + io[2 * i + 1]);
      inPeak = std::max(inPeak, std::fabs(in[i]));
    }
    const float wetFrom = wetNow_;
    if (inPeak == 0.0f && !Ringing()) {
      // Nothing in, nothing audible left: skip the network.
      sinceInput_ = holdFrames_;
      if (AdvanceWet(n) == 0.0f) Clear();
      continue;
    }
    sinceInput_ = inPeak > 0.0f ? 0 : sinceInput_ + n;

    for (size_t i = 0; i < n; ++i) {
      const float x = in[i];
      dcOut_ = x - dcIn_ + dcPole_ * dcOut_;
      dcIn_ = x;
      in[i] = kInputGain * dcOut_;
    }
    // The blocker's output decays geometrically once the input stops; flush it
    // before it reaches denormals, which are slow on x86.
    if (std::fabs(dcOut_) < 1e-20f) dcOut_ = 0.0f;

    std::fill(left, left + n, 0.0f);
    std::fill(right, right + n, 0.0f);
    for (Comb& c : combs_[0]) RunComb(c, in, left, n);
    for (Comb& c : combs_[1]) RunComb(c, in, right, n);
    for (AllPass& a : allPasses_[0]) RunAllPass(a, left, n);
    for (AllPass& a : allPasses_[1]) RunAllPass(a, right, n);

    const float wetTo = AdvanceWet(n);
    const float slope = (wetTo - wetFrom) / static_cast<float>(n);
    float peak = 0.0f;
    for (size_t i = 0; i < n; ++i) {
      const float w = wetFrom + slope * static_cast<float>(i + 1);
      const float l = w * left[i];
      const float r = w * right[i];
      io[2 * i] += l;
      io[2 * i + 1] += r;
      peak = std::max(peak, std::max(std::fabs(l), std::fabs(r)));
    }
    tailPeak_ = peak;
    // Faded out completely: forget the tail so the next preset starts clean.
    if (wetTo == 0.0f) Clear();
  }
}

#pragma once
// Resampling, reverb and mixing for the library's output. Portable: no
// <windows.h>. Everything here that runs on the render thread (Reverb::Process,
// Mixer::Start/Stop/Render, Reverb::SetParameters) never allocates, locks or
// does I/O.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bass/rate_kernel.h"

// Converts interleaved stereo from one rate to another with a band-limited
// (windowed-sinc) resampler; from == to returns the input unchanged. The output
// has round(inFrames * toRate / fromRate) frames; output frame n is the input
// signal at time n / toRate, so nothing is delayed. Either rate 0 gives an
// empty result.
std::vector<float> ResampleStereo(const std::vector<float>& in, uint32_t fromRate, uint32_t toRate);

// Environmental reverb: a Freeverb-style network (parallel damped combs into
// series all-passes) scaled to the rate, with comb feedback computed from RT60.
class Reverb {
 public:
  explicit Reverb(uint32_t rate);
  // The delay lines point into memory_.
  Reverb(const Reverb&) = delete;
  Reverb& operator=(const Reverb&) = delete;
  // wet: the reverb's level added to the dry signal (0 = dry only, 1 = full);
  // decaySeconds: RT60, clamped to 0.1..20; damp: 0 = highs die fastest,
  // 1 = all frequencies die evenly, 2 = lows die fastest.
  void SetParameters(float wet, float decaySeconds, float damp);
  // In place on interleaved stereo: out = in + wet * reverb(in).
  void Process(float* stereo, size_t frames);
  // Forgets the tail.
  void Clear();
  // True while wet > 0.
  bool Enabled() const;
  // True while the tail still holds audible energy.
  bool Ringing() const;

 private:
  static constexpr int kCombs = 8;
  static constexpr int kAllPasses = 4;
  // Process works through its input in blocks of this many frames, so the
  // scratch space can be allocated once.
  static constexpr size_t kBlock = 256;

  struct Comb {
    float* buffer = nullptr;  // into memory_
    uint32_t length = 0;
    uint32_t pos = 0;
    float gainLow = 0.0f;   // loop gain below the crossover
    float gainHigh = 0.0f;  // loop gain above it
    float lowState = 0.0f;  // crossover low-pass output
    float lastOut = 0.0f;   // previous delay-line output (the low-pass's input history)
  };
  struct AllPass {
    float* buffer = nullptr;
    float gain = 0.5f;
    uint32_t length = 0;
    uint32_t pos = 0;
  };

  void UpdateGains();
  // Moves wetNow_ towards wet_ over `frames` frames and returns the new value.
  float AdvanceWet(size_t frames);
  void RunComb(Comb& comb, const float* in, float* sum, size_t frames) const;
  static void RunAllPass(AllPass& ap, float* signal, size_t frames);

  uint32_t rate_;
  std::vector<float> memory_;  // every delay line, allocated once
  std::array<std::array<Comb, kCombs>, 2> combs_{};
  std::array<std::array<AllPass, kAllPasses>, 2> allPasses_{};
  std::vector<float> scratch_;  // kBlock mono input + kBlock per channel
  float crossA0_ = 0.0f;        // bilinear one-pole low-pass of the crossover
  float crossB1_ = 0.0f;
  float dcPole_ = 0.0f;  // DC blocker in front of the network
  float dcIn_ = 0.0f;
  float dcOut_ = 0.0f;
  float wet_ = 0.0f;     // target level
  float wetNow_ = 0.0f;  // level in force, ramped towards wet_ to avoid steps
  float wetStep_ = 0.0f; // largest change of wetNow_ per frame
  float decay_ = 1.0f;
  float damp_ = 1.0f;
  float tailPeak_ = 0.0f;      // peak of the added reverb over the last block
  size_t sinceInput_ = 0;      // frames since the network last received signal
  size_t holdFrames_ = 0;      // longest path through the network
};

// Decoded, immutable sample data at the mixer's rate, shared by its voices:
// interleaved L, R, either in float or, for sources of no more precision, at
// 16 bits (full scale 32768), which the mixer turns into float as it reads.
struct SampleFrames {
  const float* stereo = nullptr;
  const int16_t* stereo16 = nullptr;  // used when `stereo` is null
  size_t frames = 0;
};

// 16-bit samples as float, full scale 1.
inline void SixteenBitsToFloat(const int16_t* from, size_t count, float* to) {
  for (size_t i = 0; i < count; ++i) to[i] = static_cast<float>(from[i]) * (1.0f / 32768.0f);
}

// A voice's level on the left and on the right channel, 0..1 each. One level
// is the same on both: an unplaced voice.
struct StereoGain {
  StereoGain(float both = 1.0f) : left(both), right(both) {}
  StereoGain(float leftLevel, float rightLevel) : left(leftLevel), right(rightLevel) {}
  float left;
  float right;
};

// A voice at `volume` placed at x (-1 left .. 1 right, clamped; NaN is the
// centre): a balance that turns the far side down to 1 - |x| and leaves the
// near side at `volume`, so x = 0 gives exactly `volume` on both.
StereoGain Placed(float volume, float x);

// Voices of samples mixed in float, then the reverb. Owned by the render thread.
class Mixer {
 public:
  Mixer(uint32_t rate, size_t maxVoices);
  // Starts a voice at `gain` (0..1 per channel) from frame `startFrame`. `active` is the
  // sample's count of playing voices, already raised by the caller; the mixer
  // lowers it (release) when the voice ends. Returns false when no voice is free
  // (then the count is lowered at once). A start at or past the end of the data
  // has nothing to play: it returns true and lowers the count at once. `active`
  // may be null when nobody counts.
  // `delayFrames` of silence come before it: sounds asked for within one period
  // keep their spacing instead of starting together.
  // `step` is how many frames of the data pass per output frame: 1 plays the
  // data as it is; 1.05 plays it 5 % faster and higher, read between its
  // frames through a band-limited kernel (0.0001 to 2000; others play at 1).
  bool Start(SampleFrames data, uint32_t sampleId, StereoGain gain, size_t startFrame, std::atomic<int>* active,
             size_t delayFrames = 0, double step = 1.0);
  // Fades every voice of the sample out within a few milliseconds. A voice
  // that has not yet sounded its attack (AttackFrames since its start) plays
  // it first, so a key cut by the next press is still heard.
  void Stop(uint32_t sampleId);
  // Fades out everything.
  void StopAll();
  Reverb& reverb();
  // Mixes `frames` frames of interleaved stereo into out (overwriting it).
  void Render(float* out, size_t frames);
  // No voice is playing and the reverb tail has died away.
  bool Silent() const;
  uint32_t rate() const;
  // Length of the fade that Stop and StopAll apply, in frames.
  size_t FadeFrames() const;
  // What a stopped voice plays of its start before its fade begins.
  size_t AttackFrames() const;
  // Voices playing or fading out.
  size_t ActiveVoices() const;

 private:
  struct Voice {
    const float* data = nullptr;
    const int16_t* data16 = nullptr;  // 16-bit data, when `data` is null
    size_t frames = 0;
    size_t pos = 0;
    // A voice at a rate of its own: the fraction of a frame past `pos`, the
    // step per output frame (both in units of 2^-32 frame) and its kernel;
    // null for a voice that plays its data frame by frame.
    uint32_t frac = 0;
    uint64_t step = uint64_t{1} << 32;
    const RateKernel* kernel = nullptr;
    float gainLeft = 0.0f;
    float gainRight = 0.0f;  // equal to gainLeft for an unplaced voice
    uint32_t sampleId = 0;
    std::atomic<int>* active = nullptr;
    size_t fadeLeft = 0;  // frames of fade still to play; 0 = not fading
    size_t fadeFrom = kNoFade;  // the fade begins when pos reaches this frame
    size_t startPos = 0;
    size_t delay = 0;  // frames of silence before the voice begins
    bool inUse = false;
  };
  static constexpr size_t kNoFade = static_cast<size_t>(-1);

  void RenderVoice(Voice& v, float* out, size_t frames);
  void RenderVoiceAtRate(Voice& v, float* out, size_t frames);
  void EndVoice(Voice& v);
  void BeginFade(Voice& v, size_t earliestEnd);

  uint32_t rate_;
  size_t fadeFrames_;
  size_t attackFrames_;
  std::vector<Voice> voices_;
  size_t activeVoices_ = 0;
  Reverb reverb_;
};

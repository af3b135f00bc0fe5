#pragma once
// Resampling, reverb and mixing for the library's output. Portable: no
// <windows.h>. Everything here that runs on the render thread (Reverb::Process,
// Mixer::Start/Stop/Render, Reverb::SetParameters) never allocates, locks or
// does I/O.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Converts interleaved stereo from one rate to another with a band-limited
// (windowed-sinc) resampler; from == to returns the input unchanged.
std::vector<float> ResampleStereo(const std::vector<float>& in, uint32_t fromRate, uint32_t toRate);

// Environmental reverb: a Freeverb-style network (parallel damped combs into
// series all-passes) scaled to the rate, with comb feedback computed from RT60.
class Reverb {
 public:
  explicit Reverb(uint32_t rate);
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
};

// Decoded, immutable sample data at the mixer's rate, shared by its voices.
struct SampleFrames {
  const float* stereo = nullptr;  // interleaved L, R
  size_t frames = 0;
};

// Voices of samples mixed in float, then the reverb. Owned by the render thread.
class Mixer {
 public:
  Mixer(uint32_t rate, size_t maxVoices);
  // Starts a voice at `gain` (0..1) from frame `startFrame`. `active` is the
  // sample's count of playing voices, already raised by the caller; the mixer
  // lowers it (release) when the voice ends. Returns false when no voice is free
  // (then the count is lowered at once).
  bool Start(SampleFrames data, uint32_t sampleId, float gain, size_t startFrame, std::atomic<int>* active);
  // Fades every voice of the sample out within a few milliseconds.
  void Stop(uint32_t sampleId);
  // Fades out everything.
  void StopAll();
  Reverb& reverb();
  // Mixes `frames` frames of interleaved stereo into out (overwriting it).
  void Render(float* out, size_t frames);
  // No voice is playing and the reverb tail has died away.
  bool Silent() const;
  uint32_t rate() const;
};

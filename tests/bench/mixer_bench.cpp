// Render-thread cost of the mixer and its reverb, and the load-time cost of
// converting a typical key sound to the device rate.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

#include "bass/dsp.h"
#include "bass/sample_store.h"

namespace {

constexpr uint32_t kRate = 48000;
constexpr size_t kBlockFrames = 480;  // a 10 ms device period

// Decaying noise bursts, the shape of a typical key click; independent noise
// per channel unless `mono` (a mono file arrives spread to two equal channels).
std::vector<float> ClickLike(size_t frames, uint32_t seed, bool mono) {
  std::vector<float> v(2 * frames);
  auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  };
  for (size_t i = 0; i < frames; ++i) {
    const float envelope = 0.5f * std::exp(-static_cast<float>(i % 4800) / 1200.0f);
    v[2 * i] = envelope * noise();
    v[2 * i + 1] = mono ? v[2 * i] : envelope * noise();
  }
  return v;
}

// range(0): voices kept playing; range(1): 0 = reverb off, 1 = "Generic"
// (0.5, 1.493 s, 0.5), 2 = "Hangar" (0.5, 10 s, 0.3); range(2): 1 = the data
// kept at 16 bits, as a lossy file's is.
void BM_MixerRender(benchmark::State& state) {
  const auto voices = static_cast<size_t>(state.range(0));
  Mixer mixer(kRate, 32);
  if (state.range(1) == 1) mixer.reverb().SetParameters(0.5f, 1.493f, 0.5f);
  if (state.range(1) == 2) mixer.reverb().SetParameters(0.5f, 10.0f, 0.3f);
  std::vector<StereoSamples> samples;
  for (size_t v = 0; v < voices; ++v) {
    samples.emplace_back(ClickLike(2 * kRate, static_cast<uint32_t>(v + 1), false), state.range(2) == 1);
  }
  std::vector<std::atomic<int>> counts(voices);
  std::vector<float> out(2 * kBlockFrames);
  size_t frames = 0;
  for (auto _ : state) {
    for (size_t v = 0; v < voices; ++v) {
      if (counts[v].load(std::memory_order_acquire) == 0) {
        counts[v].fetch_add(1);
        // Staggered starts so the voices do not all end in the same block.
        mixer.Start(samples[v].View(), static_cast<uint32_t>(v), 0.7f, v * kRate / 8, &counts[v]);
      }
    }
    mixer.Render(out.data(), kBlockFrames);
    benchmark::DoNotOptimize(out.data());
    frames += kBlockFrames;
  }
  // Seconds of 48 kHz stereo rendered per second of CPU time.
  state.counters["audio_s_per_cpu_s"] =
      benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixerRender)->Args({8, 0, 0})->Args({8, 1, 0})->Args({8, 2, 0})->Args({32, 1, 0})->Args({8, 0, 1});

// Eight overlapping voices as with pitch and position varied per key: each
// placed off centre and read by the mixer at a rate of its own, 5 % below to
// 5 % above the data's. Reverb off, as BM_MixerRender/8/0, beside which it is
// read: the cost of reading between frames. range(0): 1 = 16-bit data.
void BM_MixerRenderPlacedAtVariedRates(benchmark::State& state) {
  constexpr size_t kVoices = 8;
  Mixer mixer(kRate, 32);
  std::vector<StereoSamples> samples;
  for (size_t v = 0; v < kVoices; ++v) {
    samples.emplace_back(ClickLike(2 * kRate, static_cast<uint32_t>(v + 1), false), state.range(0) == 1);
  }
  std::vector<std::atomic<int>> counts(kVoices);
  std::vector<float> out(2 * kBlockFrames);
  size_t frames = 0;
  for (auto _ : state) {
    for (size_t v = 0; v < kVoices; ++v) {
      if (counts[v].load(std::memory_order_acquire) == 0) {
        counts[v].fetch_add(1);
        const double step = 0.95 + 0.1 * static_cast<double>(v) / (kVoices - 1);
        mixer.Start(samples[v].View(), static_cast<uint32_t>(v),
                    Placed(0.7f, v % 2 == 0 ? -0.5f : 0.5f), v * kRate / 8, &counts[v], 0, step);
      }
    }
    mixer.Render(out.data(), kBlockFrames);
    benchmark::DoNotOptimize(out.data());
    frames += kBlockFrames;
  }
  state.counters["audio_s_per_cpu_s"] =
      benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixerRenderPlacedAtVariedRates)->Arg(0)->Arg(1);

// A 200 KB 16-bit file: 1.13 s of 44.1 kHz stereo (range 1 = stereo), or 2.27 s
// of mono, which arrives here already spread to both channels.
void BM_ResampleKeySound(benchmark::State& state) {
  const uint32_t from = static_cast<uint32_t>(state.range(0));
  const size_t frames = state.range(1) == 1 ? 200000 / 4 : 200000 / 2;
  const std::vector<float> in = ClickLike(frames, 7, state.range(1) == 0);
  for (auto _ : state) {
    std::vector<float> out = ResampleStereo(in, from, kRate);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["audio_s_per_cpu_s"] =
      benchmark::Counter(static_cast<double>(frames) / from, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ResampleKeySound)
    ->Args({44100, 1})
    ->Args({44100, 0})
    ->Args({22050, 1})
    ->Args({44101, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

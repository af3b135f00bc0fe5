// The kernels: one per cut-off of a fixed grid, made at first use. The grid
// is fine near 1 (1/16 steps from 1 down to 1/2), where the variation of each
// press plays (within 5 %), and coarse below, where only unusual callers go.
// Each is designed for 72 dB with its pass band up to 0.43 of the (scaled)
// data rate, where the loader's own resampling leaves the data's top, and
// its stop band from 0.57: what passes between folds back no lower than 0.43
// of the output rate (20.6 kHz at 48 kHz), where nobody hears it. That is 32
// taps at full scale and 36 at 15/16, and keeps a key sound played 5 % off
// its rate within -83 dB of the same data resampled whole by the loader.

#include "bass/rate_kernel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include <immintrin.h>

namespace {

constexpr double kAttenuationDb = 72.0;
constexpr double kPassEdge = 0.43;
constexpr double kStopEdge = 0.57;
// Rows per kernel at full scale; a narrower kernel is smoother per data
// frame and needs proportionally fewer for the same interpolation error
// (with linear interpolation between rows).
constexpr size_t kPhases = 64;
constexpr size_t kMinPhases = 16;
constexpr std::array<double, 17> kScales = {1.0,        15.0 / 16, 14.0 / 16, 13.0 / 16, 12.0 / 16, 11.0 / 16,
                                            10.0 / 16,  9.0 / 16,  8.0 / 16,  1.0 / 3,   1.0 / 4,   1.0 / 6,
                                            1.0 / 8,    1.0 / 12,  1.0 / 16,  1.0 / 24,  1.0 / 32};

double BesselI0(double x) {
  // The power series; converges quickly for the window's arguments (< 10).
  double sum = 1.0, term = 1.0;
  const double q = x * x / 4.0;
  for (int k = 1; k < 60 && term > 1e-12 * sum; ++k) {
    term *= q / (static_cast<double>(k) * k);
    sum += term;
  }
  return sum;
}

RateKernel Design(double scale) {
  RateKernel k;
  k.scale = scale;
  const double cutoff = 0.5 * (kPassEdge + kStopEdge) * scale;  // cycles per data frame
  const double transition = (kStopEdge - kPassEdge) * scale;
  const double beta = 0.1102 * (kAttenuationDb - 8.7);
  const double i0Beta = BesselI0(beta);
  const double order = (kAttenuationDb - 7.95) / (2.285 * 2.0 * std::numbers::pi * transition);
  const double halfWidth = order / 2.0;
  // A multiple of four taps: a row of interleaved pairs is then whole
  // blocks of eight floats, with no remainder for the reading loop.
  k.taps = 4 * static_cast<size_t>(std::ceil(halfWidth / 2.0));
  k.phases = std::max(kMinPhases, static_cast<size_t>(std::lround(kPhases * scale)));
  auto h = [&](double t) {
    const double r = t / halfWidth;
    if (r <= -1.0 || r >= 1.0) return 0.0;
    const double window = BesselI0(beta * std::sqrt(1.0 - r * r)) / i0Beta;
    const double u = 2.0 * cutoff * t;
    const double sinc = u == 0.0 ? 1.0 : std::sin(std::numbers::pi * u) / (std::numbers::pi * u);
    return 2.0 * cutoff * sinc * window;
  };
  const auto half = static_cast<double>(k.taps / 2);
  std::vector<double> table((k.phases + 1) * k.taps);
  for (size_t p = 0; p <= k.phases; ++p) {
    const double frac = static_cast<double>(p) / static_cast<double>(k.phases);
    double sum = 0.0;
    for (size_t m = 0; m < k.taps; ++m) sum += table[p * k.taps + m] = h(frac + half - 1.0 - static_cast<double>(m));
    for (size_t m = 0; m < k.taps; ++m) table[p * k.taps + m] /= sum;
  }
  const size_t rowFloats = 4 * k.taps;
  k.rows.assign(k.phases * rowFloats, 0.0f);
  for (size_t p = 0; p < k.phases; ++p) {
    float* row = k.rows.data() + p * rowFloats;
    for (size_t m = 0; m < k.taps; ++m) {
      const double c = table[p * k.taps + m];
      const double d = table[(p + 1) * k.taps + m] - c;
      row[2 * m] = row[2 * m + 1] = static_cast<float>(c);
      row[2 * k.taps + 2 * m] = row[2 * k.taps + 2 * m + 1] = static_cast<float>(d);
    }
  }
  return k;
}

}  // namespace

namespace {

// Which row serves `frac`, and how far towards the next.
inline const float* RowFor(const RateKernel& k, uint32_t frac, float& blend) {
  const uint64_t where = uint64_t{frac} * k.phases;  // the row in the high half
  blend = static_cast<float>(static_cast<uint32_t>(where)) * (1.0f / 4294967296.0f);
  return k.rows.data() + (where >> 32) * 4 * k.taps;
}

// What one output frame at `position` (2^-32 frame) reads: its row, the
// differences to the next row, how far towards it, and its first data frame.
struct FrameRead {
  const float* c;
  const float* d;
  const float* x;
  float blend;
};

inline FrameRead FrameAt(const RateKernel& kernel, const float* data, uint64_t position) {
  FrameRead f;
  f.c = RowFor(kernel, static_cast<uint32_t>(position), f.blend);
  f.d = f.c + 2 * kernel.taps;
  f.x = data + 2 * ((position >> 32) - (kernel.taps / 2 - 1));
  return f;
}

// Interleaved frames against duplicated coefficients: one contiguous run
// whose even lanes are the left channel and odd lanes the right. Each
// coefficient is first moved towards the next row's by the blend.
void RunSse(const RateKernel& kernel, const float* data, uint64_t position, uint64_t step, size_t count,
            float* stereo) {
  const size_t n = 2 * kernel.taps;  // a multiple of eight
  for (size_t i = 0; i < count; ++i, position += step) {
    const FrameRead f = FrameAt(kernel, data, position);
    const __m128 b = _mm_set1_ps(f.blend);
    __m128 sum0 = _mm_setzero_ps(), sum1 = _mm_setzero_ps();
    for (size_t k = 0; k < n; k += 8) {
      const __m128 w0 = _mm_add_ps(_mm_loadu_ps(f.c + k), _mm_mul_ps(b, _mm_loadu_ps(f.d + k)));
      const __m128 w1 = _mm_add_ps(_mm_loadu_ps(f.c + k + 4), _mm_mul_ps(b, _mm_loadu_ps(f.d + k + 4)));
      sum0 = _mm_add_ps(sum0, _mm_mul_ps(w0, _mm_loadu_ps(f.x + k)));
      sum1 = _mm_add_ps(sum1, _mm_mul_ps(w1, _mm_loadu_ps(f.x + k + 4)));
    }
    const __m128 total = _mm_add_ps(sum0, sum1);
    // Left and right in the two low lanes.
    _mm_storel_pi(reinterpret_cast<__m64*>(stereo + 2 * i), _mm_add_ps(total, _mm_movehl_ps(total, total)));
  }
}

// The same, four frames to a register, with fused multiply-adds.
__attribute__((target("avx2,fma"))) void RunAvx2(const RateKernel& kernel, const float* data, uint64_t position,
                                                 uint64_t step, size_t count, float* stereo) {
  const size_t n = 2 * kernel.taps;  // a multiple of eight
  for (size_t i = 0; i < count; ++i, position += step) {
    const FrameRead f = FrameAt(kernel, data, position);
    const __m256 b = _mm256_set1_ps(f.blend);
    __m256 sum0 = _mm256_setzero_ps(), sum1 = _mm256_setzero_ps();
    size_t k = 0;
    for (; k + 16 <= n; k += 16) {
      const __m256 w0 = _mm256_fmadd_ps(b, _mm256_loadu_ps(f.d + k), _mm256_loadu_ps(f.c + k));
      const __m256 w1 = _mm256_fmadd_ps(b, _mm256_loadu_ps(f.d + k + 8), _mm256_loadu_ps(f.c + k + 8));
      sum0 = _mm256_fmadd_ps(w0, _mm256_loadu_ps(f.x + k), sum0);
      sum1 = _mm256_fmadd_ps(w1, _mm256_loadu_ps(f.x + k + 8), sum1);
    }
    if (k < n) {
      const __m256 w = _mm256_fmadd_ps(b, _mm256_loadu_ps(f.d + k), _mm256_loadu_ps(f.c + k));
      sum0 = _mm256_fmadd_ps(w, _mm256_loadu_ps(f.x + k), sum0);
    }
    const __m256 total = _mm256_add_ps(sum0, sum1);
    const __m128 quad = _mm_add_ps(_mm256_castps256_ps128(total), _mm256_extractf128_ps(total, 1));
    _mm_storel_pi(reinterpret_cast<__m64*>(stereo + 2 * i), _mm_add_ps(quad, _mm_movehl_ps(quad, quad)));
  }
}

auto ChooseRun() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? &RunAvx2 : &RunSse;
}

const std::array<RateKernel, kScales.size()>& Kernels() {
  static const std::array<RateKernel, kScales.size()> kernels = [] {
    std::array<RateKernel, kScales.size()> made;
    const auto run = ChooseRun();
    for (size_t i = 0; i < kScales.size(); ++i) {
      made[i] = Design(kScales[i]);
      made[i].run = run;
    }
    return made;
  }();
  return kernels;
}

}  // namespace

void ReadRunPortable(const RateKernel& kernel, const float* data, uint64_t position, uint64_t step, size_t count,
                     float* stereo) {
  RunSse(kernel, data, position, step, count, stereo);
}

void RateKernel::ReadNearEdge(const float* data, size_t frames, size_t whole, uint32_t frac, float& left,
                              float& right) const {
  const int64_t first = static_cast<int64_t>(whole) - static_cast<int64_t>(taps / 2 - 1);
  float blend;
  const float* c = RowFor(*this, frac, blend);
  const float* d = c + 2 * taps;
  float l = 0, r = 0;
  for (size_t m = 0; m < taps; ++m) {
    const int64_t at = first + static_cast<int64_t>(m);
    if (at < 0 || static_cast<size_t>(at) >= frames) continue;
    const float w = c[2 * m] + blend * d[2 * m];
    l += w * data[2 * at];
    r += w * data[2 * at + 1];
  }
  left = l;
  right = r;
}

const RateKernel& KernelForStep(double step) {
  const auto& kernels = Kernels();
  const double widest = step > 1.0 ? 1.0 / step : 1.0;
  for (const RateKernel& k : kernels) {
    if (k.scale <= widest * (1.0 + 1e-9)) return k;
  }
  return kernels.back();
}

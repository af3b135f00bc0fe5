// The kernels: one per cut-off of a fixed grid, made at first use. The grid
// is fine near 1 (1/16 steps from 1 down to 1/2), where the variation of each
// press plays (within 5 %), and coarse below, where only unusual callers go.
// Each is designed for 80 dB with its pass band up to 0.43 and its stop band
// from 0.50 of the (scaled) rate: 72 taps at full scale, 80 at 15/16. That
// keeps a key sound played 5 % off its rate within -75 dB of the same data
// resampled whole by the loader's longer kernel (whose pass band reaches
// 0.45): what lies between is the top of the band, above 20.6 kHz.

#include "bass/rate_kernel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include <xmmintrin.h>

namespace {

constexpr double kAttenuationDb = 80.0;
constexpr double kPassEdge = 0.43;
constexpr double kStopEdge = 0.50;
// Rows per kernel at full scale; a narrower kernel is smoother per data
// frame and needs proportionally fewer for the same interpolation error
// (about -100 dB with linear interpolation between rows).
constexpr size_t kPhases = 128;
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

const std::array<RateKernel, kScales.size()>& Kernels() {
  static const std::array<RateKernel, kScales.size()> kernels = [] {
    std::array<RateKernel, kScales.size()> made;
    for (size_t i = 0; i < kScales.size(); ++i) made[i] = Design(kScales[i]);
    return made;
  }();
  return kernels;
}

}  // namespace

namespace {

// Which row serves `frac`, and how far towards the next.
inline const float* RowFor(const RateKernel& k, double frac, float& blend) {
  const double where = frac * static_cast<double>(k.phases);
  const size_t row = std::min(static_cast<size_t>(where), k.phases - 1);
  blend = static_cast<float>(where - static_cast<double>(row));
  return k.rows.data() + row * 4 * k.taps;
}

}  // namespace

void RateKernel::Read(const float* data, double frac, float& left, float& right) const {
  float blend;
  const float* c = RowFor(*this, frac, blend);
  const float* d = c + 2 * taps;
  // Interleaved frames against duplicated coefficients: one contiguous run
  // whose even lanes are the left channel and odd lanes the right; the row's
  // sum and its slope towards the next row in separate accumulators.
  const size_t n = 2 * taps;  // a multiple of eight
  __m128 sum0 = _mm_setzero_ps(), sum1 = _mm_setzero_ps();
  __m128 slope0 = _mm_setzero_ps(), slope1 = _mm_setzero_ps();
  for (size_t k = 0; k < n; k += 8) {
    const __m128 x0 = _mm_loadu_ps(data + k);
    const __m128 x1 = _mm_loadu_ps(data + k + 4);
    sum0 = _mm_add_ps(sum0, _mm_mul_ps(_mm_loadu_ps(c + k), x0));
    sum1 = _mm_add_ps(sum1, _mm_mul_ps(_mm_loadu_ps(c + k + 4), x1));
    slope0 = _mm_add_ps(slope0, _mm_mul_ps(_mm_loadu_ps(d + k), x0));
    slope1 = _mm_add_ps(slope1, _mm_mul_ps(_mm_loadu_ps(d + k + 4), x1));
  }
  const __m128 total =
      _mm_add_ps(_mm_add_ps(sum0, sum1), _mm_mul_ps(_mm_set1_ps(blend), _mm_add_ps(slope0, slope1)));
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, total);
  left = lanes[0] + lanes[2];
  right = lanes[1] + lanes[3];
}

void RateKernel::ReadNearEdge(const float* data, size_t frames, int64_t first, double frac, float& left,
                              float& right) const {
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

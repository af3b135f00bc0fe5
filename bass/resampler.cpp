// Band-limited sample-rate conversion with a Kaiser-windowed sinc.
//
// Output frame n is the input signal at time t = n * from / to input frames,
// computed as sum_j x[j] * h(t - j) with h a low-pass whose stopband starts at
// the lower of the two Nyquist frequencies, so downsampling cannot fold
// anything back and upsampling leaves no images. The kernel is tabulated per
// phase (fractional part of t): exactly, one row per phase, when the rates
// share a small enough grid (44100 <-> 48000 has 160 phases, 11025 -> 48000
// has 640); otherwise on a fine grid with linear interpolation between rows.
//
// Sounds are converted once, when they load: the table of the last rate pair
// is kept, and a mono file (spread to two equal channels by the decoder) is
// filtered once, not twice. For a pair without a small common grid the
// interpolated table does not depend on the pair but only on the kernel, so
// the kernel's cut-off is taken a little lower, on a grid (at most 1/32 of
// the lower rate: no aliasing, a pass band still beyond 20 kHz at 48 kHz),
// and the few tables of the grid points in use are kept. (A voice played at
// another rate is read between its frames by the mixer: bass/rate_kernel.h.)

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

#include "bass/dsp.h"

namespace {

// 90 dB design; the Kaiser estimate and the row normalisation leave a little
// less, still well beyond the 16-bit noise floor of the material we load.
constexpr double kAttenuationDb = 90.0;
// Pass band up to 0.45 of the lower rate, stop band from 0.5: the 10 % guard
// band below Nyquist is what keeps the kernel short (114 taps at the lower
// rate) while 0..19.8 kHz of a 44.1 kHz file stays untouched.
constexpr double kPassEdge = 0.45;
constexpr double kStopEdge = 0.5;
// Exact phase tables up to this many rows; beyond it the interpolated table.
constexpr uint64_t kMaxExactPhases = 4096;
constexpr size_t kMaxExactTableFloats = size_t{1} << 20;
// The interpolated table holds about this many floats whatever the kernel
// length: a longer kernel (stronger downsampling) is smoother per input frame,
// so it needs proportionally fewer rows for the same interpolation error.
constexpr size_t kInterpolatedTableFloats = size_t{1} << 17;
constexpr size_t kMaxInterpolatedPhases = 1024;
constexpr size_t kMinInterpolatedPhases = 16;
// Accumulator lanes of the inner loops: independent partial sums, enough of
// them that the vector adds do not wait on each other.
constexpr size_t kLanes = 8;

// Modified Bessel function I0 for the Kaiser window, by the classic
// polynomial fits (relative error below 1e-7, under the float resolution of
// the coefficients); the power series needs ~40 terms at beta = 9.
double BesselI0(double x) {
  x = std::fabs(x);
  if (x < 3.75) {
    const double t = (x / 3.75) * (x / 3.75);
    return 1.0 + t * (3.5156229 + t * (3.0899424 + t * (1.2067492 + t * (0.2659732 + t * (0.0360768 + t * 0.0045813)))));
  }
  const double t = 3.75 / x;
  return std::exp(x) / std::sqrt(x) *
         (0.39894228 +
          t * (0.01328592 +
               t * (0.00225319 +
                    t * (-0.00157565 +
                         t * (0.00916281 + t * (-0.02057706 + t * (0.02635537 + t * (-0.01647633 + t * 0.00392377))))))));
}

struct Kernel {
  double cutoff = 0.0;     // cycles per input frame (-6 dB point)
  double halfWidth = 0.0;  // window half-length in input frames
  double beta = 0.0;
  double i0Beta = 1.0;
  size_t taps = 0;     // input frames touched per output frame (even)
  size_t rowLen = 0;   // taps padded to kLanes with zeros

  double operator()(double t) const {
    const double r = t / halfWidth;
    if (r <= -1.0 || r >= 1.0) return 0.0;
    const double window = BesselI0(beta * std::sqrt(1.0 - r * r)) / i0Beta;
    const double u = 2.0 * cutoff * t;
    const double sinc = u == 0.0 ? 1.0 : std::sin(std::numbers::pi * u) / (std::numbers::pi * u);
    return 2.0 * cutoff * sinc * window;
  }
};

// Grid of the lower rate (in input cycles) for interpolated tables.
constexpr double kScaleGrid = 32.0;
constexpr size_t kInterpolatedTablesKept = 4;

double LowerRateInInputCycles(uint32_t from, uint32_t to) { return static_cast<double>(std::min(from, to)) / from; }
double GridScale(uint32_t from, uint32_t to) {
  const double scale = LowerRateInInputCycles(from, to);
  const double grid = std::floor(scale * kScaleGrid) / kScaleGrid;
  return grid > 0.0 ? grid : scale;  // far below the grid, the pair's own
}

Kernel DesignKernel(double scale) {
  Kernel k;
  k.cutoff = 0.5 * (kPassEdge + kStopEdge) * scale;
  const double transition = (kStopEdge - kPassEdge) * scale;
  // Kaiser's estimates for the window's shape and order.
  k.beta = 0.1102 * (kAttenuationDb - 8.7);
  k.i0Beta = BesselI0(k.beta);
  const double order = (kAttenuationDb - 7.95) / (2.285 * 2.0 * std::numbers::pi * transition);
  k.halfWidth = order / 2.0;
  k.taps = 2 * static_cast<size_t>(std::ceil(k.halfWidth));
  k.rowLen = (k.taps + kLanes - 1) / kLanes * kLanes;
  return k;
}

struct Table {
  uint32_t from = 0;
  uint32_t to = 0;
  double scale = 0.0;  // the kernel's lower rate (interpolated tables)
  uint64_t lastUse = 0;
  Kernel kernel;
  bool exact = false;
  uint64_t grid = 1;   // gcd of the rates (exact tables)
  size_t phases = 0;
  // Exact: row s serves output frames n with n mod phases == s, in the order
  // the pass uses them, so it streams through the table instead of jumping
  // between rows. Interpolated: row p is phase p / phases, with one more row
  // (phase 1.0) so interpolation never wraps.
  std::vector<float> rows;
};

// Whether the pair gets an exact table of its own.
bool HasExactTable(uint32_t from, uint32_t to) {
  const uint64_t exactPhases = to / std::gcd(from, to);
  return exactPhases <= kMaxExactPhases &&
         exactPhases * DesignKernel(LowerRateInInputCycles(from, to)).rowLen <= kMaxExactTableFloats;
}

void Build(Table& table, uint32_t from, uint32_t to) {
  // Marked unusable until complete, in case an allocation below throws.
  table.from = table.to = 0;
  table.scale = 0.0;
  table.exact = HasExactTable(from, to);
  const Kernel k = DesignKernel(table.exact ? LowerRateInInputCycles(from, to) : GridScale(from, to));
  table.kernel = k;
  table.grid = std::gcd(from, to);
  const uint64_t exactPhases = to / table.grid;
  table.phases = table.exact ? static_cast<size_t>(exactPhases)
                             : std::clamp(kInterpolatedTableFloats / k.rowLen, kMinInterpolatedPhases,
                                          kMaxInterpolatedPhases);
  const size_t P = table.phases;

  // The kernel is even and every coefficient sits on the grid t = j / P, so
  // it is evaluated once per grid point and the rows pick from it.
  const auto half = static_cast<int64_t>(k.taps / 2);
  std::vector<double> samples(static_cast<size_t>(half + 1) * P + 1);
  for (size_t j = 0; j < samples.size(); ++j) samples[j] = k(static_cast<double>(j) / static_cast<double>(P));

  table.rows.assign((P + 1) * k.rowLen, 0.0f);
  const uint64_t phaseStep = from / table.grid % P;
  for (size_t s = 0; s <= P; ++s) {
    const auto p = static_cast<int64_t>(table.exact ? s * phaseStep % P : s);
    // Coefficient m weighs input frame i - taps/2 + 1 + m for an output at
    // i + p / P. Each row is scaled to sum to exactly one so a constant stays
    // constant whatever the phase.
    auto at = [&](size_t m) {
      const int64_t j = p + static_cast<int64_t>(P) * (half - 1 - static_cast<int64_t>(m));
      return samples[static_cast<size_t>(j < 0 ? -j : j)];
    };
    double sum = 0.0;
    for (size_t m = 0; m < k.taps; ++m) sum += at(m);
    float* row = table.rows.data() + s * k.rowLen;
    for (size_t m = 0; m < k.taps; ++m) row[m] = static_cast<float>(at(m) / sum);
  }
  table.from = from;
  table.to = to;
  table.scale = table.exact ? 0.0 : GridScale(from, to);
}

const Table& TableFor(uint32_t from, uint32_t to) {
  // Loading runs on the GUI thread, but keep the tables per thread anyway so
  // no caller can ever see another's half-built one.
  thread_local Table exact;
  thread_local std::array<Table, kInterpolatedTablesKept> interpolated;
  thread_local uint64_t uses = 0;
  if (exact.from == from && exact.to == to) return exact;
  if (HasExactTable(from, to)) {
    Build(exact, from, to);
    return exact;
  }
  const double scale = GridScale(from, to);
  Table* oldest = &interpolated[0];
  for (Table& table : interpolated) {
    if (table.from != 0 && table.scale == scale) {
      table.lastUse = ++uses;
      return table;
    }
    if (table.lastUse < oldest->lastUse) oldest = &table;
  }
  Build(*oldest, from, to);
  oldest->lastUse = ++uses;
  return *oldest;
}

// The coefficients for one output frame: a row, or the blend of two rows.
inline const float* Coefficients(const float* row0, float frac, size_t len, float* scratch) {
  if (frac == 0.0f) return row0;
  const float* row1 = row0 + len;
  for (size_t k = 0; k < len; ++k) scratch[k] = row0[k] + frac * (row1[k] - row0[k]);
  return scratch;
}

// Dot product of a row with one channel. Summing in kLanes independent
// partials lets the compiler use vector registers and keeps every add from
// waiting on the one before it.
inline float Dot(const float* c, const float* x, size_t len) {
  float acc[kLanes] = {};
  for (size_t k = 0; k < len; k += kLanes) {
    for (size_t u = 0; u < kLanes; ++u) acc[u] += c[k + u] * x[k + u];
  }
  float sum = 0.0f;
  for (const float a : acc) sum += a;
  return sum;
}

}  // namespace

std::vector<float> ResampleStereo(const std::vector<float>& in, uint32_t fromRate, uint32_t toRate) {
  if (fromRate == 0 || toRate == 0) return {};
  if (fromRate == toRate) return in;
  const size_t inFrames = in.size() / 2;
  const auto outFrames =
      static_cast<size_t>((static_cast<uint64_t>(inFrames) * toRate + fromRate / 2) / fromRate);
  std::vector<float> out(2 * outFrames);
  if (outFrames == 0) return out;

  const Table& table = TableFor(fromRate, toRate);
  const size_t len = table.kernel.rowLen;
  const size_t half = table.kernel.taps / 2;

  // One channel per buffer, with silence around it standing for the signal
  // before its start and after its end, so the first and last output frames
  // need no special case. The first tap of an output at i + phase reads padded
  // frame i + 1; the last, with the row padding, frame i + len.
  const size_t lead = half;
  const size_t padded = lead + inFrames + len + 1;
  bool mono = true;
  for (size_t i = 0; i < inFrames && mono; ++i) mono = in[2 * i] == in[2 * i + 1];
  std::vector<float> left(padded, 0.0f);
  std::vector<float> right(mono ? 0 : padded, 0.0f);
  for (size_t i = 0; i < inFrames; ++i) left[lead + i] = in[2 * i];
  if (!mono) {
    for (size_t i = 0; i < inFrames; ++i) right[lead + i] = in[2 * i + 1];
  }
  std::vector<float> blend(len);

  const uint64_t step = fromRate / toRate;
  const uint64_t stepRem = fromRate % toRate;
  uint64_t i = 0;    // integer input position of the output frame
  uint64_t rem = 0;  // fractional part, in units of 1 / toRate
  size_t slot = 0;   // row of the exact table
  const double phaseScale = static_cast<double>(table.phases) / toRate;
  for (size_t n = 0; n < outFrames; ++n) {
    const float* c;
    if (table.exact) {
      c = table.rows.data() + slot * len;
      if (++slot == table.phases) slot = 0;
    } else {
      const double where = static_cast<double>(rem) * phaseScale;
      const size_t row = std::min(static_cast<size_t>(where), table.phases - 1);
      c = Coefficients(table.rows.data() + row * len, static_cast<float>(where - static_cast<double>(row)), len,
                       blend.data());
    }
    out[2 * n] = Dot(c, left.data() + i + 1, len);
    out[2 * n + 1] = mono ? out[2 * n] : Dot(c, right.data() + i + 1, len);
    i += step;
    rem += stepRem;
    if (rem >= toRate) {
      rem -= toRate;
      ++i;
    }
  }
  return out;
}

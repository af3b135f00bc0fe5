#pragma once
// Band-limited reading of stereo sample data at a fractional position, for
// voices that play their sample at a rate of its own (a varied pitch).
// Portable: no <windows.h>. The tables are made once per process, before any
// render thread reads them; reading never allocates.

#include <cstddef>
#include <cstdint>
#include <vector>

// A Kaiser-windowed sinc low-pass tabulated per phase. Its stop band begins
// at `scale` times the data's Nyquist frequency: a voice that reads its data
// faster than it was recorded (step > 1) needs the lower cut-off, so that
// nothing above the output's Nyquist frequency folds back.
struct RateKernel {
  double scale = 1.0;
  size_t taps = 0;    // data frames weighed for one output frame (even)
  size_t phases = 0;  // rows; row p is for a fractional position of p / phases
  // (phases + 1) rows of `taps` coefficients, each row summing to one; the
  // last row (phase 1.0) lets interpolation between rows never wrap.
  std::vector<float> rows;

  // Coefficient m of the row for fractional position `frac` weighs data
  // frame i - taps / 2 + 1 + m for an output at i + frac. Writes `taps`
  // coefficients, blended linearly between the two nearest rows.
  void Coefficients(double frac, float* out) const;
};

// The kernel for reading data `step` times as fast as it was made (0 < step):
// the widest cut-off that does not alias at that step. Steps beyond the
// narrowest kernel's share the narrowest.
const RateKernel& KernelForStep(double step);

// The widest kernel any step can ask for, in taps: a voice's scratch space.
size_t MaxKernelTaps();

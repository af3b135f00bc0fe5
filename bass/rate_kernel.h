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
  size_t taps = 0;    // data frames weighed for one output frame (a multiple of 4)
  size_t phases = 0;  // rows; row p is for a fractional position of p / phases
  // Row p holds the coefficients for a fractional position of p / phases,
  // each twice (once for the left and once for the right sample of an
  // interleaved frame), followed by the differences to row p + 1, also
  // twice: 4 * taps floats a row. A row's coefficients sum to one.
  std::vector<float> rows;

  // One frame of interleaved stereo at fractional position `frac` (0..1)
  // past data frame `first + taps / 2 - 1`, i.e. read from data frames
  // first .. first + taps - 1, all of which must exist; blended linearly
  // between the two nearest rows.
  void Read(const float* data, double frac, float& left, float& right) const;
  // The same where some of those frames lie outside [0, frames): silence.
  void ReadNearEdge(const float* data, size_t frames, int64_t first, double frac, float& left, float& right) const;
};

// The kernel for reading data `step` times as fast as it was made (0 < step):
// the widest cut-off that does not alias at that step. Steps beyond the
// narrowest kernel's share the narrowest.
const RateKernel& KernelForStep(double step);


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
  // The reading loop for this processor (AVX2 and FMA where it has them),
  // chosen when the kernel is made.
  void (*run)(const RateKernel&, const float*, uint64_t, uint64_t, size_t, float*) = nullptr;

  // `count` frames of interleaved stereo read from `data` (frame 0 of the
  // sample), the first at `position` and each next `step` further (both in
  // units of 2^-32 frame), into `stereo`. A frame at whole position n reads
  // data frames n - (taps / 2 - 1) .. n + taps / 2, which must all exist;
  // between rows the coefficients are blended linearly.
  void ReadRun(const float* data, uint64_t position, uint64_t step, size_t count, float* stereo) const {
    run(*this, data, position, step, count, stereo);
  }
  // One frame at whole position `whole` and fraction `frac` (2^-32 frame)
  // where some of those frames lie outside [0, frames): they read as silence.
  // The same where some of those frames lie outside [0, frames): silence.
  void ReadNearEdge(const float* data, size_t frames, size_t whole, uint32_t frac, float& left, float& right) const;
};

// The reading loop without AVX2, which processors without it use: for tests,
// to hold the chosen loop to.
void ReadRunPortable(const RateKernel& kernel, const float* data, uint64_t position, uint64_t step, size_t count,
                     float* stereo);

// The kernel for reading data `step` times as fast as it was made (0 < step):
// the widest cut-off that does not alias at that step. Steps beyond the
// narrowest kernel's share the narrowest.
const RateKernel& KernelForStep(double step);


// The voice pool: each voice holds only a pointer into shared, immutable
// sample data plus its position and gain, so starting one is a few stores and
// nothing on the render thread allocates.

#include <algorithm>
#include <cmath>

#include "bass/dsp.h"

namespace {

// Stop fades out over 3 ms: short enough to feel instant, long enough that
// the step between frames stays under 1/144 of the signal at 48 kHz.
constexpr double kFadeSeconds = 0.003;
// A key cut by the next press still sounds this much of its start: the
// attack is what the ear takes for the key, and with fast typing the next
// press often comes before the previous sound has reached the device at all.
constexpr double kAttackSeconds = 0.010;
// The dry mix is held to +-32 (30 dB over full scale, far above anything real
// voices sum to) and NaN becomes silence, so a damaged float file can neither
// poison the reverb's feedback loops nor hand the output stage inf or NaN.
constexpr float kMixLimit = 32.0f;
// The steps a voice may read its data at; outside them it plays at 1.
constexpr double kMinStep = 0.0001;
constexpr double kMaxStep = 2000.0;
// Frames a voice reads in one go, on the stack.
constexpr size_t kRunFrames = 64;
// 16-bit data a voice at a rate of its own turns into float for one run:
// room for the widest kernel (1020 taps) and then some.
constexpr size_t kWindowFrames = 2048;

void Release(std::atomic<int>* active) {
  if (active != nullptr) active->fetch_sub(1, std::memory_order_release);
}

float Level(float gain) { return std::isnan(gain) ? 0.0f : std::clamp(gain, 0.0f, 1.0f); }

}  // namespace

StereoGain Placed(float volume, float x) {
  const float at = std::isnan(x) ? 0.0f : std::clamp(x, -1.0f, 1.0f);
  return StereoGain(volume * std::min(1.0f, 1.0f - at), volume * std::min(1.0f, 1.0f + at));
}

Mixer::Mixer(uint32_t rate, size_t maxVoices)
    : rate_(rate),
      fadeFrames_(std::max<size_t>(1, static_cast<size_t>(std::lround(rate * kFadeSeconds)))),
      attackFrames_(static_cast<size_t>(std::lround(rate * kAttackSeconds))),
      voices_(maxVoices),
      reverb_(rate) {
  // The rate kernels are made at their first use: here, not in Render.
  KernelForStep(1.0);
}

bool Mixer::Start(SampleFrames data, uint32_t sampleId, StereoGain gain, size_t startFrame, std::atomic<int>* active,
                  size_t delayFrames, double step) {
  if ((data.stereo == nullptr && data.stereo16 == nullptr) || startFrame >= data.frames) {
    Release(active);
    return true;
  }
  auto free = std::find_if(voices_.begin(), voices_.end(), [](const Voice& v) { return !v.inUse; });
  if (free == voices_.end()) {
    Release(active);
    return false;
  }
  Voice& v = *free;
  v.data = data.stereo;
  v.data16 = data.stereo ? nullptr : data.stereo16;
  v.frames = data.frames;
  v.pos = startFrame;
  v.gainLeft = Level(gain.left);
  v.gainRight = Level(gain.right);
  v.sampleId = sampleId;
  v.active = active;
  v.fadeLeft = 0;
  v.fadeFrom = kNoFade;
  v.startPos = startFrame;
  v.delay = delayFrames;
  v.frac = 0;
  v.step = uint64_t{1} << 32;
  v.kernel = nullptr;
  // Its position is kept in 32.32 fixed point: data up to 2^31 frames (half a
  // day), which leaves room for a run's steps past the end.
  if (step != 1.0 && step >= kMinStep && step <= kMaxStep && data.frames < (uint64_t{1} << 31)) {
    v.step = static_cast<uint64_t>(std::llround(step * 4294967296.0));
    v.kernel = &KernelForStep(step);
  }
  v.inUse = true;
  ++activeVoices_;
  return true;
}

void Mixer::BeginFade(Voice& v, size_t earliestEnd) {
  // A voice already fading (or about to) keeps its own, earlier end.
  if (!v.inUse || v.fadeLeft != 0 || v.fadeFrom != kNoFade) return;
  v.fadeFrom = std::max(v.pos, earliestEnd);
}

void Mixer::Stop(uint32_t sampleId) {
  for (Voice& v : voices_) {
    if (v.sampleId == sampleId) BeginFade(v, v.startPos + attackFrames_);
  }
}

void Mixer::StopAll() {
  for (Voice& v : voices_) BeginFade(v, 0);
}

Reverb& Mixer::reverb() { return reverb_; }

void Mixer::EndVoice(Voice& v) {
  v.inUse = false;
  v.data = nullptr;
  v.data16 = nullptr;
  --activeVoices_;
  Release(v.active);
  v.active = nullptr;
}

void Mixer::RenderVoice(Voice& v, float* out, size_t frames) {
  size_t done = std::min(v.delay, frames);
  v.delay -= done;
  float converted[2 * kRunFrames];
  while (done < frames) {
    size_t n = std::min(frames - done, v.frames - v.pos);
    if (n == 0) break;
    const float* src = v.data + 2 * v.pos;
    if (v.data16) {
      n = std::min(n, kRunFrames);
      SixteenBitsToFloat(v.data16 + 2 * v.pos, 2 * n, converted);
      src = converted;
    }
    float* dst = out + 2 * done;
    if (v.fadeLeft == 0) {
      // Full gain up to the start of a pending fade.
      size_t m = n;
      if (v.fadeFrom != kNoFade) m = std::min(m, v.fadeFrom > v.pos ? v.fadeFrom - v.pos : 0);
      if (m == 0) {
        v.fadeLeft = fadeFrames_;
        v.fadeFrom = kNoFade;
        continue;
      }
      const float gl = v.gainLeft, gr = v.gainRight;
      if (gl == gr) {
        // Unplaced: one gain over the interleaved frames.
        for (size_t i = 0; i < 2 * m; ++i) dst[i] += gl * src[i];
      } else {
        for (size_t i = 0; i < m; ++i) {
          dst[2 * i] += gl * src[2 * i];
          dst[2 * i + 1] += gr * src[2 * i + 1];
        }
      }
      v.pos += m;
      done += m;
    } else {
      // Linear ramp: the frame k frames into the fade plays at
      // (fade - 1 - k) / fade, so the last one is silent.
      const size_t m = std::min(n, v.fadeLeft);
      const float perFrameLeft = v.gainLeft / static_cast<float>(fadeFrames_);
      const float perFrameRight = v.gainRight / static_cast<float>(fadeFrames_);
      for (size_t i = 0; i < m; ++i) {
        const float k = static_cast<float>(v.fadeLeft - 1 - i);
        dst[2 * i] += perFrameLeft * k * src[2 * i];
        dst[2 * i + 1] += perFrameRight * k * src[2 * i + 1];
      }
      v.fadeLeft -= m;
      v.pos += m;
      done += m;
      if (v.fadeLeft == 0) {
        EndVoice(v);
        return;
      }
    }
  }
  if (v.pos >= v.frames) EndVoice(v);
}

namespace {

// Frames read from `position` on, `step` apart, before one reaches `limit`
// (all in units of 2^-32 frame).
size_t FramesBefore(uint64_t position, uint64_t limit, uint64_t step) {
  return position < limit ? static_cast<size_t>((limit - 1 - position) / step + 1) : 0;
}

}  // namespace

void Mixer::RenderVoiceAtRate(Voice& v, float* out, size_t frames) {
  size_t done = std::min(v.delay, frames);
  v.delay -= done;
  const RateKernel& kernel = *v.kernel;
  const size_t lead = kernel.taps / 2 - 1;
  // Whole positions from which the kernel's every tap lies in the data; the
  // few frames at either end read their missing neighbours as silence.
  const uint64_t wholeFrom = uint64_t{lead} << 32;
  const uint64_t wholeEnd = v.frames >= kernel.taps ? uint64_t{v.frames - kernel.taps + lead + 1} << 32 : 0;
  float run[2 * kRunFrames];
  float window[2 * kWindowFrames];
  while (done < frames && v.pos < v.frames) {
    if (v.fadeLeft == 0 && v.fadeFrom != kNoFade && v.pos >= v.fadeFrom) {
      v.fadeLeft = fadeFrames_;
      v.fadeFrom = kNoFade;
    }
    uint64_t position = (uint64_t{v.pos} << 32) | v.frac;
    // A run stays inside the data, stops where a fade begins and ends with one.
    size_t n = 0;
    if (position >= wholeFrom) {
      n = std::min({frames - done, kRunFrames, FramesBefore(position, wholeEnd, v.step)});
      if (v.fadeFrom != kNoFade) n = std::min(n, FramesBefore(position, uint64_t{v.fadeFrom} << 32, v.step));
      if (v.fadeLeft != 0) n = std::min(n, v.fadeLeft);
    }
    if (n > 0 && v.data) {
      kernel.ReadRun(v.data, position, v.step, n, run);
    } else if (n > 0) {
      // The frames the run reads, from its first frame's first to its
      // last's last, as float; a run whose frames lie too far apart for the
      // window is made shorter.
      const size_t first = v.pos - lead;
      n = std::min(n, FramesBefore(position, uint64_t{first + kWindowFrames - kernel.taps + lead + 1} << 32, v.step));
      const size_t last = static_cast<size_t>((position + (n - 1) * v.step) >> 32) + kernel.taps / 2;
      SixteenBitsToFloat(v.data16 + 2 * first, 2 * (last - first + 1), window);
      kernel.ReadRun(window, position - (uint64_t{first} << 32), v.step, n, run);
    } else {
      n = 1;
      if (v.data) {
        kernel.ReadNearEdge(v.data, v.frames, v.pos, v.frac, run[0], run[1]);
      } else {
        // Only the frames inside the data: the kernel reads the rest as silence.
        const size_t from = v.pos > lead ? v.pos - lead : 0;
        const size_t to = std::min(v.frames, v.pos + kernel.taps / 2 + 1);
        SixteenBitsToFloat(v.data16 + 2 * from, 2 * (to - from), window);
        kernel.ReadNearEdge(window, to - from, v.pos - from, v.frac, run[0], run[1]);
      }
    }
    // Linear ramp over the fade, as for a voice at its own rate: the last
    // frame of it is silent.
    float* to = out + 2 * done;
    if (v.fadeLeft == 0) {
      for (size_t i = 0; i < n; ++i) {
        to[2 * i] += v.gainLeft * run[2 * i];
        to[2 * i + 1] += v.gainRight * run[2 * i + 1];
      }
    } else {
      const float perFrame = 1.0f / static_cast<float>(fadeFrames_);
      for (size_t i = 0; i < n; ++i) {
        const float fade = static_cast<float>(v.fadeLeft - 1 - i) * perFrame;
        to[2 * i] += fade * v.gainLeft * run[2 * i];
        to[2 * i + 1] += fade * v.gainRight * run[2 * i + 1];
      }
      v.fadeLeft -= n;
      if (v.fadeLeft == 0) {
        EndVoice(v);
        return;
      }
    }
    position += n * v.step;
    v.pos = static_cast<size_t>(position >> 32);
    v.frac = static_cast<uint32_t>(position);
    done += n;
  }
  if (v.pos >= v.frames) EndVoice(v);
}

void Mixer::Render(float* out, size_t frames) {
  std::fill(out, out + 2 * frames, 0.0f);
  if (activeVoices_ > 0) {
    for (Voice& v : voices_) {
      if (!v.inUse) continue;
      if (v.kernel) {
        RenderVoiceAtRate(v, out, frames);
      } else {
        RenderVoice(v, out, frames);
      }
    }
    for (size_t i = 0; i < 2 * frames; ++i) {
      const float x = out[i];
      if (!(std::fabs(x) <= kMixLimit)) out[i] = x > 0.0f ? kMixLimit : (x < 0.0f ? -kMixLimit : 0.0f);
    }
  }
  reverb_.Process(out, frames);
}

bool Mixer::Silent() const { return activeVoices_ == 0 && !reverb_.Ringing(); }

uint32_t Mixer::rate() const { return rate_; }

size_t Mixer::FadeFrames() const { return fadeFrames_; }

size_t Mixer::AttackFrames() const { return attackFrames_; }

size_t Mixer::ActiveVoices() const { return activeVoices_; }

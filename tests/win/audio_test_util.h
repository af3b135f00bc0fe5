#pragma once
// Helpers for the audio tests under Wine: WAV images, a recognisable test
// signal, and the ALSA capture file that everything Wine plays ends up in.

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bass/bass.h"
#include "tests/win_test_util.h"

namespace audiotest {

// A 16-bit PCM WAV image.
inline std::vector<uint8_t> MakeWav(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate,
                             uint16_t formatTag = 1) {
  std::vector<uint8_t> out;
  auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  auto put16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  auto tag = [&](const char* text) { for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(text[i])); };
  tag("RIFF");
  put32(36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(formatTag);
  put16(channels);
  put32(rate);
  put32(rate * channels * 2);
  put16(static_cast<uint16_t>(channels * 2));
  put16(16);
  tag("data");
  put32(dataBytes);
  for (int16_t s : samples) put16(static_cast<uint16_t>(s));
  return out;
}

// A recognisable mono signal: a rising chirp under a fade in and out.
inline std::vector<int16_t> Chirp(uint32_t rate, double seconds) {
  size_t n = static_cast<size_t>(rate * seconds);
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / rate;
    double f = 300 + 2500 * t / seconds;
    double envelope = std::sin(3.14159265358979 * static_cast<double>(i) / static_cast<double>(n));
    s[i] = static_cast<int16_t>(std::lround(20000 * envelope * std::sin(2 * 3.14159265358979 * f * t)));
  }
  return s;
}

// A sine of `level` (full scale 1), steady from the first frame to the last,
// or faded in and out over `fadeFrames` when given (a click-free tone).
inline std::vector<int16_t> Sine(uint32_t rate, double seconds, double hz, double level, size_t fadeFrames = 0) {
  size_t n = static_cast<size_t>(rate * seconds);
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) {
    double envelope = 1.0;
    if (fadeFrames > 0) {
      envelope = std::min({1.0, static_cast<double>(i) / static_cast<double>(fadeFrames),
                           static_cast<double>(n - 1 - i) / static_cast<double>(fadeFrames)});
    }
    s[i] = static_cast<int16_t>(
        std::lround(32767 * level * envelope * std::sin(2 * 3.14159265358979 * hz * static_cast<double>(i) / rate)));
  }
  return s;
}

// A WAV image as file text.
inline std::string WavText(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
  std::vector<uint8_t> wav = MakeWav(samples, channels, rate);
  return std::string(wav.begin(), wav.end());
}

// Root mean square of x[from, to).
inline double Rms(const std::vector<double>& x, size_t from, size_t to) {
  to = std::min(to, x.size());
  if (from >= to) return 0;
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += x[i] * x[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

inline std::string CapturePath() {
  const char* unix = std::getenv("BRISOLT_CAPTURE");
  if (!unix) return "";
  std::string path = std::string("Z:") + unix;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// The capture's size in whole frames (ALSA may be part way through one).
inline size_t CaptureSize(const std::string& capture) {
  size_t size = testutil::FileSize(capture);
  return size - size % 4;
}

// Mono view of captured 16-bit stereo frames.
inline std::vector<double> CapturedMono(const std::string& bytes) {
  std::vector<double> mono(bytes.size() / 4);
  for (size_t i = 0; i < mono.size(); ++i) {
    int16_t l, r;
    std::memcpy(&l, bytes.data() + 4 * i, 2);
    std::memcpy(&r, bytes.data() + 4 * i + 2, 2);
    mono[i] = (l + r) / 2.0;
  }
  return mono;
}

// Captured 16-bit stereo frames, each channel on its own.
struct Stereo {
  std::vector<double> left, right;
};
inline Stereo CapturedStereo(const std::string& bytes) {
  Stereo out;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    int16_t l, r;
    std::memcpy(&l, bytes.data() + i, 2);
    std::memcpy(&r, bytes.data() + i + 2, 2);
    out.left.push_back(l);
    out.right.push_back(r);
  }
  return out;
}

// The loudest 10 ms of captured 16-bit stereo frames, as an RMS level of
// full scale (1 is a full-scale square wave; a full-scale sine is 0.71).
// Silence and the odd stray sample stay far below any key sound.
inline double LoudestLevel(const std::string& bytes) {
  const std::vector<double> mono = CapturedMono(bytes);
  double loudest = 0;
  for (size_t i = 0; i < mono.size(); i += 240) loudest = std::max(loudest, Rms(mono, i, i + 480));
  return loudest / 32768;
}

// Plays `chirp` (already in `sample`) and returns the SNR in dB of what
// reached the capture file against it, after it has fully played.
inline double PlayAndMeasureOnce(HSAMPLE sample, const std::vector<int16_t>& chirp, const std::string& capture) {
  size_t before = CaptureSize(capture);
  if (BASS_SamplePlay3DEx(sample, nullptr, nullptr, nullptr, 0, -1, 100, FALSE) == 0) return -1;
  size_t needed = before + chirp.size() * 4 + 48000 * 4 / 5;
  if (!testutil::WaitFor([&] { return testutil::FileSize(capture) >= needed; }, 5000)) return -2;
  std::vector<double> got = CapturedMono(testutil::ReadFileFrom(capture, before));

  // Find the chirp, then compare sample by sample.
  size_t best = 0;
  double bestScore = -1;
  for (size_t offset = 0; offset + chirp.size() <= got.size(); ++offset) {
    double dot = 0;
    for (size_t i = 0; i < chirp.size(); i += 8) dot += got[offset + i] * chirp[i];
    if (dot > bestScore) {
      bestScore = dot;
      best = offset;
    }
  }
  double error = 0, energy = 0;
  for (size_t i = 0; i < chirp.size(); ++i) {
    double d = got[best + i] - chirp[i];
    error += d * d;
    energy += static_cast<double>(chirp[i]) * chirp[i];
  }
  return 10 * std::log10(energy / std::max(error, 1e-9));
}

// The same, as the best of up to `attempts` plays: where the test is of a
// steady stream, a play that Wine's late scheduling on a busy machine broke
// with a gap of silence is played again. A first sound after a change of
// the output's state is measured once (attempts = 1): that one must be whole.
inline double PlayAndMeasure(HSAMPLE sample, const std::vector<int16_t>& chirp, const std::string& capture,
                             int attempts = 1) {
  double best = -1;
  for (int i = 0; i < attempts && best < 60; ++i) best = std::max(best, PlayAndMeasureOnce(sample, chirp, capture));
  return best;
}

// Follows the capture file from the moment it is made: how many frames have
// been written since, whether any was loud, and how many quiet ones followed
// the last loud one. Reads only what is new at each Update().
class CaptureWatch {
 public:
  // Loud: above about -50 dBFS on either channel; the capture of silence is 0.
  static constexpr int kLoud = 100;

  explicit CaptureWatch(std::string path) : path_(std::move(path)) {
    start_ = testutil::FileSize(path_);
    start_ -= start_ % 4;
  }
  void Update() {
    size_t size = testutil::FileSize(path_);
    size -= size % 4;
    if (size <= start_ + bytes_.size()) return;
    std::string added = testutil::ReadFileFrom(path_, start_ + bytes_.size());
    added.resize(std::min(added.size(), size - start_ - bytes_.size()));
    for (size_t i = 0; i + 4 <= added.size(); i += 4) {
      int16_t l, r;
      std::memcpy(&l, added.data() + i, 2);
      std::memcpy(&r, added.data() + i + 2, 2);
      if (std::abs(l) > kLoud || std::abs(r) > kLoud) {
        loud_ = true;
        lastLoud_ = (bytes_.size() + i) / 4;
      }
    }
    bytes_ += added;
  }
  size_t Frames() const { return bytes_.size() / 4; }
  bool Loud() const { return loud_; }
  size_t QuietFramesAfterLoud() const { return loud_ ? Frames() - 1 - lastLoud_ : 0; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string path_;
  size_t start_ = 0;
  std::string bytes_;
  bool loud_ = false;
  size_t lastLoud_ = 0;
};

}  // namespace audiotest

#include "bass/sample_store.h"

#include <algorithm>
#include <cmath>
#include <iterator>

const CachedDecode* DecodeCache::Find(const std::wstring& key, uint64_t size, uint64_t writeTime) {
  auto found = std::find_if(entries_.begin(), entries_.end(), [&](const CachedDecode& e) {
    return e.key == key && e.size == size && e.writeTime == writeTime;
  });
  if (found == entries_.end()) return nullptr;
  std::rotate(found, std::next(found), entries_.end());
  return &entries_.back();
}

void DecodeCache::Remember(CachedDecode entry) {
  std::erase_if(entries_, [&](const CachedDecode& e) { return e.key == entry.key; });
  entries_.push_back(std::move(entry));
  size_t total = Bytes();
  while (total > budget_ && entries_.size() > 1) {
    total -= entries_.front().stereo->Bytes();
    entries_.erase(entries_.begin());
  }
}

size_t DecodeCache::Bytes() const {
  size_t total = 0;
  for (const CachedDecode& e : entries_) total += e.stereo->Bytes();
  return total;
}

StereoSamples::StereoSamples(std::vector<float> stereo, bool sixteenBits) {
  if (!sixteenBits) {
    wide_ = std::move(stereo);
    return;
  }
  narrow_.resize(stereo.size());
  // Rounded half away from zero, written so that the loop vectorises (a
  // sprite is millions of samples); NaN fails both comparisons and is 0.
  for (size_t i = 0; i < stereo.size(); ++i) {
    const float x = stereo[i] * 32768.0f;
    const float held = x > -32768.0f ? (x < 32767.0f ? x : 32767.0f) : (x <= -32768.0f ? -32768.0f : 0.0f);
    narrow_[i] = static_cast<int16_t>(static_cast<int32_t>(held + (held < 0.0f ? -0.5f : 0.5f)));
  }
}

namespace {

float Value(float x) { return x; }
float Value(int16_t x) { return static_cast<float>(x) * (1.0f / 32768.0f); }

template <typename T>
float PeakOf(const T* stereo, size_t count) {
  float peak = 0.0f;
  // max() keeps peak when a value is NaN
  for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(Value(stereo[i])));
  return std::min(peak, 1.0f);
}

template <typename T>
void OutlineOf(const T* stereo, size_t frames, float* lowHigh, size_t columns) {
  for (size_t c = 0; c < columns; ++c) {
    float low = 0.0f, high = 0.0f;
    if (frames > 0) {
      const size_t begin = c * frames / columns;
      const size_t end = std::max((c + 1) * frames / columns, begin + 1);
      low = high = Value(stereo[2 * begin]);
      for (size_t i = 2 * begin; i < 2 * end; ++i) {
        low = std::min(low, Value(stereo[i]));
        high = std::max(high, Value(stereo[i]));
      }
    }
    lowHigh[2 * c] = std::clamp(low, -1.0f, 1.0f);
    lowHigh[2 * c + 1] = std::clamp(high, -1.0f, 1.0f);
  }
}

}  // namespace

float Peak(const std::vector<float>& stereo) { return PeakOf(stereo.data(), stereo.size()); }

float Peak(const StereoSamples& stereo) {
  const SampleFrames view = stereo.View();
  return view.stereo ? PeakOf(view.stereo, 2 * view.frames) : PeakOf(view.stereo16, 2 * view.frames);
}

void Outline(const std::vector<float>& stereo, float* lowHigh, size_t columns) {
  OutlineOf(stereo.data(), stereo.size() / 2, lowHigh, columns);
}

void Outline(const StereoSamples& stereo, float* lowHigh, size_t columns) {
  const SampleFrames view = stereo.View();
  if (view.stereo) {
    OutlineOf(view.stereo, view.frames, lowHigh, columns);
  } else {
    OutlineOf(view.stereo16, view.frames, lowHigh, columns);
  }
}

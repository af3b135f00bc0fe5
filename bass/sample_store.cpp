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
    total -= entries_.front().stereo->size() * sizeof(float);
    entries_.erase(entries_.begin());
  }
}

size_t DecodeCache::Bytes() const {
  size_t total = 0;
  for (const CachedDecode& e : entries_) total += e.stereo->size() * sizeof(float);
  return total;
}

float Peak(const std::vector<float>& stereo) {
  float peak = 0.0f;
  for (float x : stereo) peak = std::max(peak, std::fabs(x));  // max() keeps peak when x is NaN
  return std::min(peak, 1.0f);
}

void Outline(const std::vector<float>& stereo, float* lowHigh, size_t columns) {
  const size_t frames = stereo.size() / 2;
  for (size_t c = 0; c < columns; ++c) {
    float low = 0.0f, high = 0.0f;
    if (frames > 0) {
      const size_t begin = c * frames / columns;
      const size_t end = std::max((c + 1) * frames / columns, begin + 1);
      low = high = stereo[2 * begin];
      for (size_t i = 2 * begin; i < 2 * end; ++i) {
        low = std::min(low, stereo[i]);
        high = std::max(high, stereo[i]);
      }
    }
    lowHigh[2 * c] = std::clamp(low, -1.0f, 1.0f);
    lowHigh[2 * c + 1] = std::clamp(high, -1.0f, 1.0f);
  }
}

#pragma once
// Figures of the most recent voices (how long each took to reach the device),
// written by the render thread without a lock or an allocation and read by
// the API on any thread. Portable: no <windows.h>.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct LatencySummary {
  uint32_t count = 0;  // figures summarised
  uint32_t p50 = 0;
  uint32_t p99 = 0;
  uint32_t max = 0;
};

// Nearest-rank percentiles of the figures; all zero when there are none.
inline LatencySummary Summarise(std::vector<uint32_t> values) {
  LatencySummary summary;
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  auto rank = [&values](double p) {
    size_t index = static_cast<size_t>(p * static_cast<double>(values.size()) + 0.999999);
    return values[std::min(values.size(), std::max<size_t>(index, 1)) - 1];
  };
  summary.count = static_cast<uint32_t>(values.size());
  summary.p50 = rank(0.50);
  summary.p99 = rank(0.99);
  summary.max = values.back();
  return summary;
}

// One writer (the render thread), any number of readers. A reader that races
// the writer may see one figure of the previous lap in place of a new one,
// which a percentile of 256 figures does not notice.
class LatencyRing {
 public:
  static constexpr size_t kSize = 256;

  void Add(uint32_t value) noexcept {
    size_t n = count_.load(std::memory_order_relaxed);
    values_[n % kSize].store(value, std::memory_order_relaxed);
    count_.store(n + 1, std::memory_order_release);
  }
  // The recent figures, oldest first.
  std::vector<uint32_t> Recent() const {
    size_t n = count_.load(std::memory_order_acquire);
    size_t have = std::min(n, kSize);
    std::vector<uint32_t> out;
    out.reserve(have);
    for (size_t i = n - have; i < n; ++i) out.push_back(values_[i % kSize].load(std::memory_order_relaxed));
    return out;
  }
  LatencySummary Summary() const { return Summarise(Recent()); }

 private:
  std::array<std::atomic<uint32_t>, kSize> values_{};
  std::atomic<size_t> count_{0};
};

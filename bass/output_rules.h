#pragma once
// Decisions of the output that need no device: the order of the devices and
// the period the stream asks for.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The order of the output devices after "No sound": the system's default
// output first, as the classic library listed them, then the others by
// endpoint id, which does not change across runs or when other devices come
// and go.
template <typename Endpoint>
void OrderEndpoints(std::vector<Endpoint>& endpoints, const std::wstring& defaultId) {
  std::sort(endpoints.begin(), endpoints.end(), [&defaultId](const Endpoint& a, const Endpoint& b) {
    bool aDefault = !defaultId.empty() && a.id == defaultId;
    bool bDefault = !defaultId.empty() && b.id == defaultId;
    if (aDefault != bDefault) return aDefault;
    return a.id < b.id;
  });
}

// The period, in frames, asked of an engine that negotiates it (periods of
// `fundamental` frames between `minimum` and `maximum`). The shared engine
// runs the whole endpoint at the smallest period any client asks for, so the
// endpoint's minimum (2.67 ms on most) would wake it that often for a gain
// nobody hears: about 5 ms is asked for, the nearest multiple of the
// fundamental, never outside the engine's range.
inline uint32_t NegotiatedPeriod(uint32_t rate, uint32_t fundamental, uint32_t minimum, uint32_t maximum) {
  const uint32_t target = (rate * 5 + 500) / 1000;  // 5 ms
  uint32_t period = target;
  if (fundamental > 0) period = std::max<uint32_t>(1, (target + fundamental / 2) / fundamental) * fundamental;
  if (maximum >= minimum && maximum > 0) period = std::min(period, maximum);
  return std::max(period, minimum);
}

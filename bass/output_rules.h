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

// Endpoints whose device was enumerated by the Bluetooth stacks (classic and
// Low Energy audio): they add a radio link's delay that no period can win back.
inline bool IsBluetoothEnumerator(const std::wstring& enumerator) {
  auto same = [&enumerator](const wchar_t* name) {
    size_t i = 0;
    for (; name[i] && i < enumerator.size(); ++i) {
      wchar_t a = enumerator[i], b = name[i];
      if (a >= L'a' && a <= L'z') a = static_cast<wchar_t>(a - 32);
      if (b >= L'a' && b <= L'z') b = static_cast<wchar_t>(b - 32);
      if (a != b) return false;
    }
    return !name[i] && i == enumerator.size();
  };
  return same(L"BTHENUM") || same(L"BTHLEDevice");
}

// How long to wait before the next attempt to reopen a stream that failed:
// the first attempt at once, then 50 ms doubling to 2 s, so a device that
// stays broken costs one attempt every 2 s, never a busy loop.
inline uint32_t NextRetryDelay(uint32_t previousMs) {
  if (previousMs == 0) return 50;
  return std::min<uint32_t>(previousMs * 2, 2000);
}

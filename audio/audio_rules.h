#pragma once
// The audio engine's rules, kept apart from the library calls so that they
// are unit-tested natively.

#include <cstdint>
#include <string>

// A stored sound path with a drive ("C:...") or a network path ("\\server...")
// is used as it is; anything else, empty included, is relative to the program
// folder: folder + "\" + path.
inline std::string ResolveSoundPath(const std::string& programFolder, const std::string& file) {
  bool hasDrive = file.size() >= 2 && file[1] == ':';
  bool isNetwork = file.size() >= 2 && file[0] == '\\' && file[1] == '\\';
  if (hasDrive || isNetwork) return file;
  return programFolder + "\\" + file;
}

// The category's volume scaled by the global volume, both in percent, to the
// nearest integer with exact halves going to the even neighbour (60 and 5
// give 3, 50 and 5 give 2, 70 and 5 give 4). Computed exactly in integers.
inline int ScaledVolume(int32_t globalVolume, int32_t volume) {
  int64_t product = static_cast<int64_t>(globalVolume) * volume;
  bool negative = product < 0;
  if (negative) product = -product;
  int64_t quotient = product / 100;
  int64_t remainder = product % 100;
  if (remainder > 50 || (remainder == 50 && quotient % 2 == 1)) ++quotient;
  return static_cast<int>(negative ? -quotient : quotient);
}

// About how long, in milliseconds, a key takes from the program to the
// device's output: the time the recent sounds took to reach the device's
// buffer (the median of `voices` sounds; half a period before any has
// sounded), plus the stream's own latency. All inputs in microseconds;
// never less than 1.
inline int SoftwareLatencyMs(uint32_t voices, uint32_t medianUs, uint32_t periodUs, uint32_t streamLatencyUs) {
  uint64_t toBuffer = voices > 0 ? medianUs : periodUs / 2;
  uint64_t total = toBuffer + streamLatencyUs;
  int ms = static_cast<int>((total + 500) / 1000);
  return ms < 1 ? 1 : ms;
}

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

#pragma once
// Windows does not hand the input of a window of a higher integrity level
// (a program run as administrator) to the hook of a program below it.

#include <cstdint>
#include <string>

// The mandatory-label RIDs of Windows (SECURITY_MANDATORY_*_RID).
inline constexpr uint32_t kIntegrityLow = 0x1000;
inline constexpr uint32_t kIntegrityMedium = 0x2000;
inline constexpr uint32_t kIntegrityMediumPlus = 0x2100;
inline constexpr uint32_t kIntegrityHigh = 0x3000;
inline constexpr uint32_t kIntegritySystem = 0x4000;

// The hook of a program at `ours` misses the input of a window at `theirs`.
inline bool InputHiddenFromUs(uint32_t ours, uint32_t theirs) { return theirs > ours; }

// What the tray tip and the balloon say about it.
inline std::string ElevatedNotice(const std::string& program) {
  return "Quiet: " + program + " runs as administrator";
}

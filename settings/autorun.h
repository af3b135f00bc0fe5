#pragma once
// Starting with Windows: the value "Brisolt" under the current user's Run key.

#include <string>

inline constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Brisolt";

// The command line stored in the Run value. A path with a space is quoted:
// unquoted, Windows would try "C:\Program" first and could start another program.
inline std::string RunValueFor(const std::string& exePath) {
  if (exePath.find(' ') == std::string::npos) return exePath;
  return "\"" + exePath + "\"";
}

#ifdef _WIN32
// Whether the Run value exists (false when the Run key itself is missing).
bool RunValueExists();
// Adds the value with this executable's path, or removes it. Throws
// std::runtime_error("Failed to set data for 'Brisolt'") when the write is refused.
void SetAutoRun(bool on);
#endif

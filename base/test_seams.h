#pragma once
// Faults that the tests make happen on purpose, read from the environment.
// Every seam is off unless BRISOLT_TEST_SEAMS=1 is set as well, so that a
// stray variable on a user's machine changes nothing.

#include <windows.h>

#include <cstdlib>
#include <string>

inline bool TestSeamsOn() {
  char value[4] = "";
  DWORD length = GetEnvironmentVariableA("BRISOLT_TEST_SEAMS", value, sizeof value);
  return length == 1 && value[0] == '1';
}

// The text that environment variable `name` holds while the seams are on.
inline std::string TestSeamText(const char* name) {
  char value[260] = "";
  if (!TestSeamsOn()) return "";
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// The number that environment variable `name` holds while the seams are on;
// 0 otherwise.
inline int TestSeamValue(const char* name) { return std::atoi(TestSeamText(name).c_str()); }

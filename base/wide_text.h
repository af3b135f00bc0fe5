#pragma once
// Text inside the program is UTF-8; Windows is spoken to in UTF-16. These
// convert at the boundary, so that a folder, a user name or a sound file
// with any characters reaches the file system unchanged.

#include <windows.h>

#include <string>
#include <string_view>

inline std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return L"";
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
  return text;
}

inline std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return "";
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

// Text in the system's ANSI code page (what the audio library reports).
inline std::string FromAnsi(std::string_view ansi) {
  if (ansi.empty()) return "";
  int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
  return Utf8(wide);
}

// The text survives a round trip through the ANSI code page unchanged.
inline bool FitsAnsiCodePage(std::wstring_view wide) {
  // With the system's "UTF-8 for worldwide language support", the ANSI code
  // page is UTF-8 and holds every character.
  if (wide.empty() || GetACP() == CP_UTF8) return true;
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, &lossy);
  return length > 0 && !lossy;
}

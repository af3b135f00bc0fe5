#pragma once
// Windows' own sentence for an error code, for messages and the log.

#include <windows.h>

#include <string>

#include "base/wide_text.h"

// "Access is denied" for ERROR_ACCESS_DENIED: without the line break and the
// full stop Windows ends it with; "error N" for a code it has no text for.
inline std::string SystemErrorText(DWORD error) {
  wchar_t text[256] = L"";
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                256, nullptr);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.')) {
    text[--length] = 0;
  }
  return length ? Utf8(text) : "error " + std::to_string(error);
}

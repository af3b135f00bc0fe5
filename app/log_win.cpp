#include "app/log.h"

#include <windows.h>

#include <utility>

#include "app/program_folder.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"

namespace {

// The system's short date and long time of the user's locale.
std::pair<std::string, std::string> Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t date[128] = L"";
  wchar_t time[128] = L"";
  if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128)) date[0] = L'\0';
  if (!GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 128)) time[0] = L'\0';
  return {Utf8(date), Utf8(time)};
}

}  // namespace

bool AppendLogLine(const std::string& path, const std::string& message) {
  auto [date, time] = Now();
  std::string line = FormatLogLine(date, time, message);

  // A log past its limit (a missing sound file logs a line per key) becomes
  // the old log, replacing an older one, and a new one starts.
  const std::wstring file = Wide(path);
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &info) &&
      (info.nFileSizeHigh > 0 || info.nFileSizeLow >= kLogLimitBytes)) {
    // "Log.txt" -> "Log.old.txt"
    size_t nameStart = path.size() - FileNameOf(path).size();
    size_t dot = path.find_last_of('.');
    std::string old = dot != std::string::npos && dot > nameStart ? path.substr(0, dot) + ".old" + path.substr(dot)
                                                                  : path + ".old";
    const std::wstring oldFile = Wide(old);
    if (!MoveFileExW(file.c_str(), oldFile.c_str(), MOVEFILE_REPLACE_EXISTING) &&
        CopyFileW(file.c_str(), oldFile.c_str(), FALSE)) {
      // A viewer has the log open, which a rename must wait for: the copy is
      // the old log, and this one starts again in place.
      ScopedFile restart(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
  }

  // Shared for reading and writing, so a viewer that has the log open never
  // blocks the program, and the program never blocks the viewer.
  ScopedFile log(CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return ok && written == line.size();
}

void WriteLog(const std::string& message) {
  try {
    AppendLogLine(DataFolder() + "\\Log.txt", message);
  } catch (...) {
    // Out of memory while building the line: nothing sensible is left to do.
  }
}

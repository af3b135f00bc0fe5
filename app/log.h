#pragma once
// The diagnostic log, Log.txt in the settings folder (DataFolder): one line per call,
// "<short date> <long time> <message>" with CR LF, appended and closed at once
// so every line is on disk when the call returns.

#include <string>

// Never throws: a log that cannot be written (read-only folder, a file locked
// by another program) is skipped, because the exception boundary logs too and
// must not take the program down.
void WriteLog(const std::string& message);

// A log that reaches this size is renamed to Log.old.txt (replacing an older
// one) before the next line, which starts a new one.
inline constexpr unsigned long kLogLimitBytes = 1024 * 1024;

// The same, to a given file. Returns false when the line could not be written.
bool AppendLogLine(const std::string& path, const std::string& message);

// "<date> <time> <message>\r\n"
inline std::string FormatLogLine(const std::string& date, const std::string& time,
                                 const std::string& message) {
  return date + " " + time + " " + message + "\r\n";
}

#pragma once
// Lines of a settings file that the profile functions cannot read: binary
// data, a section header that does not close, keys before any section. They
// are ignored when the file is read, and lost when it is written again, so
// such a file is copied aside before its first save.

#include <cstddef>
#include <string_view>

inline size_t CountUnreadableLines(std::string_view text) {
  // A UTF-16 file (it starts with its byte-order mark) is another matter.
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE) {
    return 0;
  }
  size_t unreadable = 0;
  bool inSection = false;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    bool binary = false;
    for (char c : line) binary = binary || (static_cast<unsigned char>(c) < 0x20 && c != '\t');
    if (binary) {
      ++unreadable;
    } else if (line.front() == '[') {
      if (line.find(']') == std::string_view::npos) {
        ++unreadable;
      } else {
        inSection = true;
      }
    } else if (line.front() != ';' && !inSection) {
      ++unreadable;  // a key outside any section
    }
  }
  return unreadable;
}

#pragma once
// Reads the text of an INI file into a FakeIni as the Windows profile
// functions see it: "[name]" opens a section (a name seen again reopens the
// first one), "key=value" lines belong to the last section opened, blanks
// around names and values are dropped, and lines starting with ';', lines
// without '=' and lines before the first section are ignored. Line ends may
// be CR LF or LF.

#include <algorithm>
#include <string>
#include <string_view>

#include "tests/unit/fake_ini.h"

inline std::string_view TrimIniBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

inline FakeIni IniFromText(std::string_view text) {
  FakeIni ini;
  constexpr size_t kNone = static_cast<size_t>(-1);
  size_t current = kNone;  // index: sections grow while lines are read
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = TrimIniBlanks(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = std::min(line.find(']'), line.size());
      std::string name(TrimIniBlanks(line.substr(1, close - 1)));
      current = kNone;
      for (size_t i = 0; i < ini.sections.size() && current == kNone; ++i) {
        if (SameTextIgnoringCase(ini.sections[i].name, name)) current = i;
      }
      if (current == kNone) {
        current = ini.sections.size();
        ini.sections.push_back({name, {}});
      }
      continue;
    }
    size_t eq = line.find('=');
    if (current == kNone || eq == std::string_view::npos) continue;
    ini.sections[current].pairs.emplace_back(std::string(TrimIniBlanks(line.substr(0, eq))),
                                             std::string(TrimIniBlanks(line.substr(eq + 1))));
  }
  return ini;
}

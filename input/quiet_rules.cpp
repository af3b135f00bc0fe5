#include "input/quiet_rules.h"

#include <algorithm>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trimmed(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

bool SameProgram(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool ListHasProgram(const std::vector<std::string>& programs, std::string_view program) {
  return std::any_of(programs.begin(), programs.end(), [&](const std::string& p) { return SameProgram(p, program); });
}

std::vector<std::string> ParseProgramList(std::string_view text) {
  std::vector<std::string> programs;
  while (!text.empty()) {
    size_t bar = text.find('|');
    std::string_view name = Trimmed(text.substr(0, bar));
    text.remove_prefix(bar == std::string_view::npos ? text.size() : bar + 1);
    if (!name.empty() && !ListHasProgram(programs, name)) programs.emplace_back(name);
  }
  return programs;
}

std::string JoinProgramList(const std::vector<std::string>& programs) {
  std::string text;
  for (const std::string& program : programs) {
    if (!text.empty()) text += '|';
    text += program;
  }
  return text;
}

std::string ProgramNameOf(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  std::string_view name = Trimmed(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (name.empty() || name.find('|') != std::string_view::npos) return "";
  std::string program(name);
  if (program.find('.') == std::string::npos) program += ".exe";
  return program;
}

std::vector<std::string> ToggleProgram(std::vector<std::string> programs, const std::string& program) {
  std::string_view name = Trimmed(program);
  if (name.empty() || name.find('|') != std::string_view::npos) return programs;
  auto found = std::find_if(programs.begin(), programs.end(), [&](const std::string& p) { return SameProgram(p, name); });
  if (found != programs.end()) {
    programs.erase(found);
  } else {
    programs.emplace_back(name);
  }
  return programs;
}

bool IsFullScreenWindow(const ScreenRect& window, const ScreenRect& monitor, bool maximisedWithTitleBar) {
  if (maximisedWithTitleBar) return false;
  if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return false;
  return window.left <= monitor.left && window.top <= monitor.top && window.right >= monitor.right &&
         window.bottom >= monitor.bottom;
}

bool NotificationStateIsQuiet(int state) { return state == 2 || state == 3 || state == 4; }

bool MicrophoneInUse(const std::vector<MicrophoneUse>& uses) {
  return std::any_of(uses.begin(), uses.end(), [](const MicrophoneUse& u) { return u.lastStart > u.lastStop; });
}

std::string QuietReason(const QuietRules& rules, const QuietFacts& facts) {
  if (rules.fullScreen && facts.fullScreen) return "full screen";
  if (!facts.program.empty() && ListHasProgram(rules.programs, facts.program)) return facts.program;
  if (rules.microphone && facts.microphone) return "microphone in use";
  return "";
}

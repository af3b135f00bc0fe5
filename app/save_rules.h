#pragma once
// When the files are saved during a run, and which failures the user is told
// about: plain rules, without Windows.

#include <cstdint>
#include <set>
#include <string>
#include <utility>

// Changes are saved together: at most one save every kSaveGapMs.
inline constexpr uint32_t kSaveGapMs = 2000;

// The wait before the save of a change made at `now`, when the last save was
// at `lastSave` (0: none yet); tick counts that may wrap.
inline uint32_t SaveDelayMs(uint32_t now, uint32_t lastSave) {
  if (lastSave == 0) return 0;
  uint32_t since = now - lastSave;
  return since >= kSaveGapMs ? 0 : kSaveGapMs - since;
}

// The user hears of a failing file once per cause (file and reason), not at
// every try; once the files are saved again, a new failure is news again.
class SaveProblemMemory {
 public:
  bool FirstTime(const std::string& path, unsigned long error) { return told_.emplace(path, error).second; }
  void Saved() { told_.clear(); }

 private:
  std::set<std::pair<std::string, unsigned long>> told_;
};

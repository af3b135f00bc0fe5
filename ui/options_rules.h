#pragma once
// Decisions of the options window that need no window: what a step field
// yields, where the scheme marker can be clicked, the volume label.

#include <cstdio>
#include <string>
#include <string_view>

// The volume steps lie within 1..99 (the up-down range). What the user typed
// is clamped into it; an empty field or one that is not a number keeps the
// previous step (itself clamped, as it may come from a hand-edited file).
inline int StepFieldValue(std::string_view text, int previous) {
  auto clamp = [](long long v) { return static_cast<int>(v < 1 ? 1 : v > 99 ? 99 : v); };
  size_t begin = text.find_first_not_of(" \t");
  size_t end = text.find_last_not_of(" \t");
  if (begin == std::string_view::npos) return clamp(previous);
  text = text.substr(begin, end - begin + 1);
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return clamp(previous);
    if (value < 1000) value = value * 10 + (c - '0');  // anything this long is above the range anyway
  }
  return clamp(value);
}

// A press at x (list client coordinates) is on the marker of a row whose
// caption begins at captionLeft when it lies between 15 and 5 pixels left of
// the caption, measured at 96 dpi and scaled to the list's dpi.
inline bool IsMarkerClick(int x, int captionLeft, int dpi) {
  int scaled15 = (15 * dpi + 48) / 96;
  int scaled5 = (5 * dpi + 48) / 96;
  return captionLeft - scaled15 < x && x < captionLeft - scaled5;
}

// The text beside the volume slider: 60 shows as "60%".
inline std::string PercentText(int volume) { return std::to_string(volume) + "%"; }

// The General page's line about the output: "Output: <device>, <period> ms
// period, about <N> ms latency", the period with one decimal unless whole.
inline std::string OutputLine(const std::string& device, double periodMs, int latencyMs) {
  long tenths = static_cast<long>(periodMs * 10 + 0.5);
  char figures[96];
  if (tenths % 10) {
    std::snprintf(figures, sizeof figures, ", %ld.%ld ms period, about %d ms latency", tenths / 10, tenths % 10, latencyMs);
  } else {
    std::snprintf(figures, sizeof figures, ", %ld ms period, about %d ms latency", tenths / 10, latencyMs);
  }
  std::string line = "Output: ";
  line += device;
  line += figures;
  return line;
}

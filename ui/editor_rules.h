#pragma once
// Decisions of the scheme editor that need no window.

#include <cmath>
#include <cstdio>
#include <string>

// Ctrl with the equals key raises a category's volume by one up to 100, Ctrl
// with the minus key lowers it by one down to 0. A volume outside 0..100 (a
// hand-edited store) is never pushed further out, and only comes back in.
inline int VolumeStepped(int volume, bool up) {
  if (up) return volume < 100 ? volume + 1 : volume;
  return volume > 0 ? volume - 1 : volume;
}

// The editor's height in pixels at 96 dpi: the stored one, within the window's limits.
inline constexpr int kEditorMinHeight = 350, kEditorMaxHeight = 700;
inline int EditorHeight(int stored) {
  return stored < kEditorMinHeight ? kEditorMinHeight : stored > kEditorMaxHeight ? kEditorMaxHeight : stored;
}

// What the key sound dialog says under a file's waveform: its length and its
// peak level, "123 ms, peak -6.2 dBFS"; a file without sound says so, and a
// peak at full scale warns that the file may be clipped.
inline std::string WaveSummary(int lengthMs, double peak) {
  char text[96];
  if (peak <= 0.0) {
    std::snprintf(text, sizeof text, "%d ms, silent", lengthMs);
  } else if (peak >= 0.999) {
    std::snprintf(text, sizeof text, "%d ms, peak 0.0 dBFS (may be clipped)", lengthMs);
  } else {
    std::snprintf(text, sizeof text, "%d ms, peak %.1f dBFS", lengthMs, 20.0 * std::log10(peak));
  }
  return text;
}

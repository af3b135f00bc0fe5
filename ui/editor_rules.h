#pragma once
// Decisions of the scheme editor that need no window.

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

// A slice of a file as the key sound dialog draws it over the file's
// waveform, `width` pixels for `fileMs` milliseconds.
struct SliceSpan {
  int startMs = 0;
  int lengthMs = 0;
  bool operator==(const SliceSpan&) const = default;
};

inline int SliceEdgePixel(int ms, int fileMs, int width) {
  return fileMs > 0 ? static_cast<int>(std::lround(static_cast<double>(ms) * width / fileMs)) : 0;
}

// The edge of the slice within `grip` pixels of x: 0 its start, 1 its end
// (the nearer when both are), -1 none.
inline int SliceEdgeNear(SliceSpan slice, int fileMs, int width, int x, int grip) {
  const int start = SliceEdgePixel(slice.startMs, fileMs, width);
  const int end = SliceEdgePixel(slice.startMs + slice.lengthMs, fileMs, width);
  const int toStart = std::abs(x - start), toEnd = std::abs(x - end);
  if (toStart > grip && toEnd > grip) return -1;
  return toEnd < toStart || (toEnd == toStart && x > start) ? 1 : 0;
}

// The slice with one edge dragged to pixel x: inside the file, at least a
// millisecond long, the other edge where it was.
inline SliceSpan DragSliceEdge(SliceSpan slice, int fileMs, int width, int edge, int x) {
  if (fileMs <= 0 || width <= 0) return slice;
  const int ms = static_cast<int>(std::lround(static_cast<double>(std::clamp(x, 0, width)) * fileMs / width));
  const int end = std::min(slice.startMs + slice.lengthMs, fileMs);
  if (edge == 0) {
    const int start = std::clamp(ms, 0, std::max(end - 1, 0));
    return {start, end - start};
  }
  const int newEnd = std::clamp(ms, slice.startMs + 1, fileMs);
  return {slice.startMs, newEnd - slice.startMs};
}

#pragma once
// Decisions of the scheme editor that need no window.

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

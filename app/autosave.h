#pragma once
// The user's changes are kept as they are made, not only at the exit: a
// crash, a forced restart or a power cut loses nothing that was confirmed.
// Everything here runs on the GUI thread, never on the key path.

#include <windows.h>

// The main window's timer of a save that is due.
inline constexpr UINT_PTR kSaveTimer = 3;

// A change was made: both files are saved within 2 s, and changes that come
// together are saved together.
void ScheduleSave(HWND window);
// Saves both files now (kSaveTimer fired, or Windows is ending the session);
// a failure is logged, and the user gets a balloon once per file and cause.
void SaveNow(HWND window);

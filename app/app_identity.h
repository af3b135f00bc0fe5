#pragma once
// What other instances and other programs know this program by. None of these
// may change while the program runs: a second start finds the first through them.

#include <windows.h>

inline constexpr const char* kAppTitle = "Brisolt";
inline constexpr const char* kMainWindowClass = "TfrmMain";
inline constexpr const char* kMainWindowCaption = "Brisolt - Options";
inline constexpr const char* kInstanceMutexName = "Quendral|Brisolt";
// Posted by a second start to the running instance: show the options window.
inline constexpr UINT WM_ACTIVATE_INSTANCE = WM_USER + 50;  // 0x432
// Where the record of an earlier start lives (per user).
inline constexpr const char* kAppRegistryKey = "Software\\Quendral\\Brisolt";
inline constexpr const char* kStartedValueName = "Started";

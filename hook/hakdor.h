#pragma once
// Hakdor.dll: the global keyboard and mouse hook. It delivers every key event
// and mouse button event of the whole session to one window, as posted messages:
//   0x40B  wParam = virtual-key code (Shift, Ctrl and Alt as the generic 16, 17, 18)
//          lParam = keystroke flags as in WM_KEYDOWN/WM_KEYUP: repeat count 1,
//                   scan code (bits 16-23), extended (24), Alt held (29),
//                   key was down before (30), key is being released (31)
//   0x40C  wParam = mouse message identifier (0x201 left down, 0x202 left up,
//                   0x204 right down, 0x205 right up, and the other buttons'),
//          lParam = 0

#include <windows.h>

inline constexpr UINT kHookKeyboardMessage = 0x40B;  // WM_USER + 11
inline constexpr UINT kHookMouseMessage = 0x40C;     // WM_USER + 12

enum HookStartStatus : BYTE { kHookStarted = 0, kHookAlreadyStarted = 1, kHookCannotStart = 2 };

extern "C" {
// Starts delivering events to `target`.
BYTE WINAPI StartHook(HWND target);
// Stops the hook; returns FALSE if it was not running.
BOOL WINAPI StopHook(void);
}

using StartHookProc = BYTE(WINAPI*)(HWND);

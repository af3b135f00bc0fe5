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
//   0x40D  there was input (keys, buttons, wheel or mouse moves): posted at
//          most once a second while the user is there; wParam = lParam = 0
//
// Windows removes a low-level hook without a word when its procedure answers
// late, and hooks go quiet around the secure desktop: the program compares
// HookLastEventTime with GetLastInputInfo and calls ReinstallHook.

#include <windows.h>

inline constexpr UINT kHookKeyboardMessage = 0x40B;  // WM_USER + 11
inline constexpr UINT kHookMouseMessage = 0x40C;     // WM_USER + 12
inline constexpr UINT kHookActivityMessage = 0x40D;  // WM_USER + 13

enum HookStartStatus : BYTE { kHookStarted = 0, kHookAlreadyStarted = 1, kHookCannotStart = 2 };

extern "C" {
// Starts delivering events to `target`.
BYTE WINAPI StartHook(HWND target);
// Stops the hook; returns FALSE if it was not running.
BOOL WINAPI StopHook(void);
// GetTickCount() of the last event the hook procedures saw (or of their
// installation, if none since); 0 while the hook is not running.
DWORD WINAPI HookLastEventTime(void);
// On the hook's own thread: removes both hooks, installs them again and
// forgets which keys were held. FALSE when the hook is not running or could
// not be installed again.
BOOL WINAPI ReinstallHook(void);
// Tests only, and only when the environment variable BRISOLT_TEST_SEAMS is
// "1" (otherwise FALSE and nothing happens): kHookFaultDropEvents makes the
// installed hooks ignore every event until they are reinstalled (a starved
// hook); kHookFaultUnhook removes them as Windows does (a timed-out hook).
BOOL WINAPI HookTestFault(DWORD fault);
}

inline constexpr DWORD kHookFaultDropEvents = 1;
inline constexpr DWORD kHookFaultUnhook = 2;

using StartHookProc = BYTE(WINAPI*)(HWND);
using HookTestFaultProc = BOOL(WINAPI*)(DWORD);

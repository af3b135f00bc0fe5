#pragma once
// The program's side of Hakdor.dll.

#include <windows.h>

// Loads Hakdor.dll (it stays loaded), starts the hook for `window` and logs the
// outcome. Quietly does nothing if the library has no StartHook.
void StartInputHook(HWND window);
// Stops the hook and logs "----------Hook was stopped----------".
void StopInputHook();
// Once a second: reinstalls the hook when Windows saw input that it did not
// (see input/hook_watchdog.h). True when it was reinstalled.
bool CheckInputHook();
// Reinstalls the hook now (after an unlock or a resume, when hooks are often
// lost) and logs "Keyboard hook was reinstalled". True when it was.
bool ReinstallInputHook();
// A test's fault in the hook (kHookFaultDropEvents, kHookFaultUnhook); does
// nothing unless the test environment turned the seam on.
void InjectHookFault(DWORD fault);

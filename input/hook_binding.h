#pragma once
// The program's side of Hakdor.dll.

#include <windows.h>

// Loads Hakdor.dll (it stays loaded), starts the hook for `window` and logs the
// outcome. Quietly does nothing if the library has no StartHook.
void StartInputHook(HWND window);
// Stops the hook and logs "----------Hook was stopped----------".
void StopInputHook();

#pragma once
// Keeps the quiet reason of the model (QuietReasonNow) in step with what the
// quiet rules look at: the window in front (full screen, or a program of the
// quiet list) and the microphone. Everything runs on the GUI thread, once per
// change of the window in front, once a second for a window that goes full
// screen where it is, and when Windows records a change of the microphone's
// use; never per key press.

#include <windows.h>

#include <string>

// Posted to the main window when the microphone's records change.
inline constexpr UINT WM_QUIET_MICROPHONE = WM_APP + 21;

void StartQuietWatch(HWND mainWindow);
void StopQuietWatch();
// The window in front changed (the foreground watcher's events).
void QuietForegroundChanged(HWND window);
// Once a second.
void CheckQuiet();
// WM_QUIET_MICROPHONE.
void QuietMicrophoneChanged();
// The program that was in front last, leaving out ours and the shell's: the
// one the tray menu offers to be quiet in ("" when none was seen yet).
const std::string& LastForeignProgram();

#pragma once
// The audio device selector (TfrmSelector) and the device selection that
// opens the chosen device.

#include <windows.h>

// Shows the selector over `owner` (null on the very first start, before the
// main window exists, when the first real device is preselected) and keeps
// the chosen line as the device (-1 when none is selected). Then it tests the
// library's version and opens the device with 3D, probes it for environmental
// effects and applies the stored preset.
void SelectDeviceAndInit(HWND owner, bool firstStart);

// "Settings > Select Audio Device": closes the device and runs the selection
// over the options window `owner`.
void mnSelectAudioDeviceClick(HWND owner);

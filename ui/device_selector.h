#pragma once
// The audio device selector (TfrmSelector) and the device selection that
// opens the chosen device.

// Shows the selector, stores the chosen line as DeviceID (-1 when none is
// selected), tests the library's version and opens the device with 3D, probes
// it for environmental effects and applies the stored preset. On the very
// first start the first real device is preselected.
void SelectDeviceAndInit();

// "Settings > Select Audio Device": closes the device, runs the selection and
// shows the outcome in the options window.
void mnSelectAudioDeviceClick();

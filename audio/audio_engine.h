#pragma once
// The program's audio engine over the audio library: the device at start and
// exit, one sample per sounding key event, the scheme editor's previews, and
// the environmental presets.

#include <string>

// Opens the device named by DeviceID (the first start reopens the one its
// device set-up opened) and, except on the first start, checks the library's
// version and applies the stored preset.
void StartAudio();
// Closes the device, and every sample with it.
void ShutdownAudio();

// Plays one key or button sound: the previous key sound is cut, the file is
// loaded afresh and played at `volume` percent scaled by GlobalVolume.
void PlayKeySound(const std::string& file, int volume);
// The scheme editor's preview: sounds even while muted, and has its own
// sample, independent of the key sound.
void PlayPreview(const std::string& file, int volume);
void StopPreview();
void FreePreview();

// Error box: text, a line break and "(Error code: N)".
void ShowBassError(const std::string& text);

// 0..26 (0 "Off"); other values do nothing.
void ApplyEaxPreset(int index);
// -1..25 (-1 "Off"); other values do nothing.
void SetEaxEnvironment(int environment);

// The device set-up of the very first start, before the main window exists:
// the first real device when there is one, the version test (a wrong library
// ends the program), the device opened with 3D, and the reverb probe.
void InitFirstStartDevice();

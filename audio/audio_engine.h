#pragma once
// The program's audio engine over the audio library: the device at start and
// exit, one sample per sounding key event, the scheme editor's previews, and
// the environmental presets.

#include <string>
#include <vector>

// Opens the device named by DeviceID (the first start reopens the one its
// device selection opened) and, except on the first start, checks the library's
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

// The description of an audio device; empty when there is no such device.
std::string DeviceDescription(int device);
// The descriptions of every device, in device order (0 is "No sound").
std::vector<std::string> DeviceDescriptions();
// Whether the library is the version the program was written against.
bool LibraryVersionIsCurrent();
// Opens DeviceID with 3D (Support3D falls to false when that fails), probes
// it for environmental effects (SupportEAX) and, when it has them, applies
// the stored preset.
void OpenChosenDevice();

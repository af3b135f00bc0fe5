#pragma once
// The program's audio engine over the audio library: the device at start and
// exit, one sample per sounding key event, the scheme editor's previews, and
// the environmental presets.

#include <windows.h>

#include <string>
#include <vector>

#include "settings/scheme.h"
#include "settings/sound_reference.h"

// Opens the device named by DeviceID (the first start reopens the one its
// device selection opened) and, except on the first start, checks the library's
// version (its error box is owned by `owner`) and applies the stored preset.
void StartAudio(HWND owner, bool firstStart);
// Closes the device, and every sample with it.
void ShutdownAudio();

// How one key sound is played beyond its file.
struct KeySoundStyle {
  double rate = 1.0;    // 1.05: 5 % higher
  double gainDb = 0.0;
  double pan = 0.0;     // -1 left .. 1 right
  bool release = false;  // the sound of a release
};

// Plays one key or button sound: the file is loaded afresh and played at
// `volume` percent scaled by GlobalVolume. A press cuts the key sounds before
// it and a release the release before it (each with the library's short
// fade); with OverlapSounds, up to 8 key sounds play at once and only the
// oldest beyond them is cut.
// `reference` is a sound reference (settings/sound_reference.h): a file, a
// slice of one, or variants, of which each press plays one at random, never
// the one the same reference played last.
void PlayKeySound(const std::string& reference, int volume, const KeySoundStyle& style = {});
// Loads every sound a scheme that becomes current names and cuts its
// slices, each file decoded once, so that no press decodes: the audio
// library keeps them in its cache. Returns the sounds that cannot be played
// (a missing file, one no decoder reads, a slice past its file's end), each
// part as the scheme names it, with the reason.
struct SoundProblem {
  SoundPart part;
  std::string reason;
};
std::vector<SoundProblem> PrepareSchemeSounds(const TScheme& scheme);
// The scheme editor's preview: sounds even while muted, and has its own
// sample, independent of the key sound.
void PlayPreview(const std::string& reference, int volume);
void StopPreview();
void FreePreview();

// A sound (a whole file or a slice) decoded as key sounds are, written as a
// 16-bit stereo WAV file at `volume` percent: how an exported pack carries
// slices. False, with the reason in `problem`, when it cannot be read.
bool DecodeSoundAsWav(const SoundPart& part, int volume, std::vector<uint8_t>& wav, std::string& problem);

// A sound file read as key sounds are read, for a picture of it: its length,
// its peak (0..1) and its outline over `columns` equal parts (pairs of the
// lowest and highest value, -1..1). False, with the reason in `problem`,
// when it cannot be read.
struct SoundOutline {
  int lengthMs = 0;
  double peak = 0;
  std::vector<float> lowHigh;
  std::string problem;
};
bool ReadSoundOutline(const std::string& reference, int columns, SoundOutline& outline);

// The user is there (the hook's activity report): the output runs, or starts
// at once, so that the next key sound finds it running.
void NoteUserActivity();
// Nothing will sound for a while (muted): the output lets the device go.
void RestAudio();

// What the output is doing, for the options window.
struct OutputReport {
  std::string device;       // the endpoint playing, or last played
  double periodMs = 0;
  int latencyMs = 0;        // about how long a key takes to reach the device
  bool bluetooth = false;
};
// False on "No sound" or before the device is open.
bool ReadOutputReport(OutputReport& report);

// Error box over `owner`: text, a line break and "(Error code: N)".
void ShowBassError(HWND owner, const std::string& text);

// 0..26 (0 "Off"); other values do nothing.
void ApplyEaxPreset(int index);
// -1..25 (-1 "Off"); other values do nothing.
void SetEaxEnvironment(int environment);

// The description of an audio device; empty when there is no such device.
std::string DeviceDescription(int device);
// The descriptions of every device, in device order (0 is "No sound").
std::vector<std::string> DeviceDescriptions();
// The endpoint id of a device; empty for "No sound" and for no such device.
std::string DeviceEndpointId(int device);
// The device that is the endpoint `id` now, or -1 when it is not present.
int DeviceOfEndpoint(const std::string& id);
// Whether the library is the version the program was written against.
bool LibraryVersionIsCurrent();
// What an opened device offers.
struct DeviceAbilities {
  bool support3D = false;   // it opened with 3D
  bool supportEAX = false;  // it has environmental effects
};
// Opens `device` with 3D, probes it for environmental effects and, when it
// has them, applies the preset at `eaxIndex`.
DeviceAbilities OpenDevice(int device, int eaxIndex);

#include "audio/audio_engine.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "app/log.h"
#include "audio/audio_rules.h"
#include "audio/eax_presets.h"
#include "audio/press_rules.h"
#include "base/program_paths.h"
#include "base/wide_text.h"
#include "bass/bass.h"
#include "bass/bass_errors.h"
#include "settings/settings.h"

namespace {

constexpr DWORD kRate = 44100;
constexpr char kMissingDecodersText[] =
    "This Windows has no Media Foundation (an N edition without the Media Feature Pack): MP3, M4A and FLAC "
    "sounds stay silent until the Media Feature Pack is installed (Settings, Apps, Optional features)";

HSAMPLE keySample = 0;      // the last press
HSAMPLE releaseSample = 0;  // the last release
std::deque<HSAMPLE> overlapping;  // with OverlapSounds: the key sounds playing, oldest first
constexpr size_t kMaxOverlapping = 8;
HSAMPLE previewSample = 0;

void Cut(HSAMPLE& sample) {
  if (sample) BASS_SampleFree(sample);
  sample = 0;
}

// Makes room for the next key sound, and returns where it is kept.
HSAMPLE* PlaceForKeySound(bool release) {
  if (settings.OverlapSounds) {
    // What played before the option was switched on counts as the oldest.
    for (HSAMPLE* earlier : {&keySample, &releaseSample}) {
      if (*earlier) overlapping.push_front(std::exchange(*earlier, 0));
    }
    while (overlapping.size() >= kMaxOverlapping) {
      BASS_SampleFree(overlapping.front());
      overlapping.pop_front();
    }
    overlapping.push_back(0);
    return &overlapping.back();
  }
  for (HSAMPLE sample : overlapping) BASS_SampleFree(sample);
  overlapping.clear();
  Cut(releaseSample);
  if (!release) Cut(keySample);
  return release ? &releaseSample : &keySample;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Error 44: this Windows has no Media Foundation (an N edition without the
// Media Feature Pack), so MP3, M4A and FLAC files cannot be decoded. Said
// once a run, where the user looks when a key is silent.
void NoteMissingDecoders(DWORD error) {
  static bool said = false;
  if (error != kBassErrorCodec || said) return;
  said = true;
  WriteLog(kMissingDecodersText);
}

// Loads the file into `sample` (freed first by the caller) and plays it. When
// the load fails, the line tells why (the load's own error code) and nothing
// is played.
void LoadAndPlay(HSAMPLE& sample, const std::string& path, int volume, const KeySoundStyle& style = {}) {
  std::wstring file = Wide(path);
  sample = BASS_SampleLoad(FALSE, file.data(), 0, 0, 1, BASS_SAMPLE_3D | BASS_UNICODE);
  if (!sample) {
    const DWORD error = BASS_ErrorGetCode();
    WriteLog("Bass Error " + std::to_string(error) + ". Could not creating sample!");
    NoteMissingDecoders(error);
    return;
  }
  int freq = -1;
  BASS_BRISOLT_SAMPLEINFO info{};
  info.size = sizeof info;
  if (style.rate != 1.0 && BASS_BrisoltGetSampleInfo(sample, &info)) {
    freq = static_cast<int>(std::lround(info.freq * style.rate));
  }
  BASS_3DVECTOR zero{0.0f, 0.0f, 0.0f};
  BASS_3DVECTOR place{static_cast<float>(style.pan), 0.0f, 0.0f};
  BASS_SamplePlay3DEx(sample, &place, &zero, &zero, 0, freq, VariedVolume(volume, style.gainDb), FALSE);
}

}  // namespace

void StartAudio(HWND owner, bool firstStart) {
  if (firstStart) BASS_Free();  // the first start's device selection opened it already
  if (!BASS_Init(settings.DeviceID, kRate, BASS_DEVICE_3D, nullptr, nullptr)) {
    WriteLog("BASS_Init has not been successfully called!");
  }
  if (firstStart) return;  // the set-up applied the preset already
  if (!LibraryVersionIsCurrent()) {
    WriteLog("BASS version 2.0 was not loaded!");
    ShowBassError(owner, "BASS version 2.0 was not loaded!");
  }
  if (settings.SupportEAX) ApplyEaxPreset(settings.EaxEnv);
}

void NoteUserActivity() { BASS_BrisoltSetActivity(TRUE); }

void RestAudio() { BASS_BrisoltSetActivity(FALSE); }

bool ReadOutputReport(OutputReport& report) {
  BASS_BRISOLT_LATENCY figures{};
  figures.size = sizeof figures;
  if (!BASS_BrisoltGetLatency(&figures)) return false;
  report.device = FromAnsi(figures.device);
  report.periodMs = figures.period / 1000.0;
  report.latencyMs = SoftwareLatencyMs(figures.voices, figures.p50, figures.period, figures.streamLatency);
  report.bluetooth = (figures.flags & BASS_BRISOLT_BLUETOOTH) != 0;
  return true;
}

void ShutdownAudio() {
  BASS_Free();  // every sample with it
  keySample = 0;
  releaseSample = 0;
  overlapping.clear();
  previewSample = 0;
}

void PlayKeySound(const std::string& file, int volume, const KeySoundStyle& style) {
  HSAMPLE* place = PlaceForKeySound(style.release);
  std::string path = ResolveSoundPath(ProgramFolder(), file);
  if (FileExists(path)) {
    LoadAndPlay(*place, path, ScaledVolume(settings.GlobalVolume, volume), style);
  } else {
    WriteLog("File " + path + " not found");
  }
  // A place that got no sound does not count among the overlapping ones.
  if (!*place && !overlapping.empty() && &overlapping.back() == place) overlapping.pop_back();
}

void PlayPreview(const std::string& file, int volume) {
  std::string path = ResolveSoundPath(ProgramFolder(), file);
  if (previewSample) BASS_SampleFree(previewSample);
  previewSample = 0;
  LoadAndPlay(previewSample, path, ScaledVolume(settings.GlobalVolume, volume));
}

bool ReadSoundOutline(const std::string& file, int columns, SoundOutline& outline) {
  outline = SoundOutline{};
  std::string path = ResolveSoundPath(ProgramFolder(), file);
  if (!FileExists(path)) {
    outline.problem = "File not found";
    return false;
  }
  std::wstring name = Wide(path);
  HSAMPLE sample = BASS_SampleLoad(FALSE, name.data(), 0, 0, 1, BASS_UNICODE);
  if (!sample) {
    const DWORD error = BASS_ErrorGetCode();
    NoteMissingDecoders(error);
    outline.problem = error == kBassErrorCodec
                          ? "Windows cannot decode this file here: install the Media Feature Pack"
                          : "Not a sound file Brisolt can play (error " + std::to_string(error) + ")";
    return false;
  }
  BASS_BRISOLT_SAMPLEINFO info{};
  info.size = sizeof info;
  outline.lowHigh.assign(static_cast<size_t>(std::max(columns, 1)) * 2, 0.0f);
  bool read = BASS_BrisoltGetSampleInfo(sample, &info) &&
              BASS_BrisoltGetSampleOutline(sample, outline.lowHigh.data(), static_cast<DWORD>(std::max(columns, 1)));
  BASS_SampleFree(sample);
  if (!read) {
    outline.problem = "Bass Error " + std::to_string(BASS_ErrorGetCode());
    outline.lowHigh.clear();
    return false;
  }
  outline.lengthMs = static_cast<int>(info.lengthMs);
  outline.peak = info.peak;
  return true;
}

void StopPreview() { BASS_SampleStop(previewSample); }

void FreePreview() {
  BASS_SampleFree(previewSample);
  previewSample = 0;
}

void ShowBassError(HWND owner, const std::string& text) {
  std::string message = text + "\r\n(Error code: " + std::to_string(BASS_ErrorGetCode()) + ")";
  MessageBoxW(owner, Wide(message).c_str(), L"Error", MB_OK | MB_ICONERROR);
}

void ApplyEaxPreset(int index) {
  if (index < 0 || index >= static_cast<int>(kEaxPresets.size())) return;
  SetEaxEnvironment(index - 1);
}

void SetEaxEnvironment(int environment) {
  if (environment == -1) {
    BASS_SetEAXParameters(0, 0.0f, 0.0f, 0.0f);  // "Off": environment 0 with everything 0
  } else if (environment >= 0 && environment <= 25) {
    const EaxPreset& preset = kEaxPresets[static_cast<size_t>(environment) + 1];
    BASS_SetEAXParameters(environment, preset.volume, preset.decay, preset.damping);
  }
}

std::string DeviceDescription(int device) {
  // The library's texts are in the ANSI code page.
  const char* text = BASS_GetDeviceDescription(static_cast<DWORD>(device));
  return text ? FromAnsi(text) : "";
}

std::vector<std::string> DeviceDescriptions() {
  std::vector<std::string> lines;
  for (DWORD n = 0;; ++n) {
    const char* text = BASS_GetDeviceDescription(n);
    if (!text) return lines;
    lines.push_back(FromAnsi(text));
  }
}

std::string DeviceEndpointId(int device) {
  const char* id = device > 0 ? BASS_BrisoltGetDeviceEndpoint(static_cast<DWORD>(device)) : nullptr;
  return id ? id : "";
}

int DeviceOfEndpoint(const std::string& id) {
  if (id.empty()) return -1;
  BASS_GetDeviceDescription(0);  // the list is read afresh
  for (DWORD n = 1;; ++n) {
    const char* endpoint = BASS_BrisoltGetDeviceEndpoint(n);
    if (!endpoint) return -1;
    if (id == endpoint) return static_cast<int>(n);
  }
}

bool LibraryVersionIsCurrent() { return BASS_GetVersion() == BASSVERSION; }

DeviceAbilities OpenDevice(int device, int eaxIndex) {
  DeviceAbilities abilities;
  abilities.support3D = BASS_Init(device, kRate, BASS_DEVICE_3D, nullptr, nullptr) != FALSE;
  DWORD environment = 0;
  float volume = 0, decay = 0, damping = 0;
  BASS_GetEAXParameters(&environment, &volume, &decay, &damping);
  abilities.supportEAX = static_cast<int>(BASS_ErrorGetCode()) != kBassErrorNoEax;
  if (abilities.supportEAX) ApplyEaxPreset(eaxIndex);
  return abilities;
}

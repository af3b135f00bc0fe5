#include "audio/audio_engine.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/log.h"
#include "app/program_folder.h"
#include "app/wide_text.h"
#include "audio/audio_rules.h"
#include "audio/eax_presets.h"
#include "bass/bass.h"
#include "bass/bass_errors.h"
#include "settings/settings.h"

namespace {

constexpr DWORD kRate = 44100;

HSAMPLE keySample = 0;
HSAMPLE previewSample = 0;

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Loads the file into `sample` (freed first by the caller) and plays it. When
// the load fails, the line tells why (the load's own error code) and nothing
// is played.
void LoadAndPlay(HSAMPLE& sample, const std::string& path, int volume) {
  std::wstring file = Wide(path);
  sample = BASS_SampleLoad(FALSE, file.data(), 0, 0, 1, BASS_SAMPLE_3D | BASS_UNICODE);
  if (!sample) {
    WriteLog("Bass Error " + std::to_string(BASS_ErrorGetCode()) + ". Could not creating sample!");
    return;
  }
  BASS_3DVECTOR zero{0.0f, 0.0f, 0.0f};
  BASS_SamplePlay3DEx(sample, &zero, &zero, &zero, 0, -1, volume, FALSE);
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
  BASS_Free();
  keySample = 0;
  previewSample = 0;
}

void PlayKeySound(const std::string& file, int volume) {
  if (keySample) BASS_SampleFree(keySample);
  keySample = 0;
  std::string path = ResolveSoundPath(ProgramFolder(), file);
  if (!FileExists(path)) {
    WriteLog("File " + path + " not found");
    return;
  }
  LoadAndPlay(keySample, path, ScaledVolume(settings.GlobalVolume, volume));
}

void PlayPreview(const std::string& file, int volume) {
  std::string path = ResolveSoundPath(ProgramFolder(), file);
  if (previewSample) BASS_SampleFree(previewSample);
  previewSample = 0;
  LoadAndPlay(previewSample, path, ScaledVolume(settings.GlobalVolume, volume));
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

#include "audio/audio_engine.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
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
#include "packs/pack_scheme.h"
#include "settings/settings.h"
#include "settings/sound_reference.h"

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

// Loads a sound, a whole file or a slice of one, with the caller's flags;
// 0 when it cannot (a missing decoder is noted in the log once).
HSAMPLE LoadSound(const std::string& path, const SoundPart& part, DWORD flags) {
  const std::wstring file = Wide(path);
  HSAMPLE sample = part.IsSlice()
                       ? BASS_BrisoltSampleLoadSlice(file.c_str(), part.startMs, part.lengthMs, 1, flags | BASS_UNICODE)
                       : BASS_SampleLoad(FALSE, const_cast<wchar_t*>(file.c_str()), 0, 0, 1, flags | BASS_UNICODE);
  if (!sample) NoteMissingDecoders(BASS_ErrorGetCode());
  return sample;
}

// Loads the sound into `sample` (freed first by the caller) and plays it.
// When the load fails, the line tells why (the load's own error code) and
// nothing is played.
void LoadAndPlay(HSAMPLE& sample, const std::string& path, const SoundPart& part, int volume,
                 const KeySoundStyle& style = {}) {
  sample = LoadSound(path, part, BASS_SAMPLE_3D);
  if (!sample) {
    WriteLog("Bass Error " + std::to_string(BASS_ErrorGetCode()) + ". Could not creating sample!");
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

// The part of a reference a press plays: of variants one at random, never
// the one the same reference played last.
std::unordered_map<std::string, size_t> lastVariants;
uint64_t variantState = static_cast<uint64_t>(GetTickCount64()) | 1;

SoundPart PartToPlay(const std::string& reference) {
  // Most references are one whole file: nothing to parse on the press.
  if (reference.find_first_of("|<") == std::string::npos) return SoundPart{reference};
  std::vector<SoundPart> parts = ParseSoundReference(reference);
  if (parts.empty()) return SoundPart{reference};  // "" stays a file not found, as it always was
  if (parts.size() == 1) return std::move(parts.front());
  variantState ^= variantState << 13;
  variantState ^= variantState >> 7;
  variantState ^= variantState << 17;
  auto [last, added] = lastVariants.try_emplace(reference, parts.size());
  last->second = PickVariant(parts.size(), last->second, variantState);
  return std::move(parts[last->second]);
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

void PlayKeySound(const std::string& reference, int volume, const KeySoundStyle& style) {
  HSAMPLE* place = PlaceForKeySound(style.release);
  const SoundPart part = PartToPlay(reference);
  std::string path = ResolveSoundPath(ProgramFolder(), part.file);
  if (FileExists(path)) {
    LoadAndPlay(*place, path, part, ScaledVolume(settings.GlobalVolume, volume), style);
  } else {
    WriteLog("File " + path + " not found");
  }
  // A place that got no sound does not count among the overlapping ones.
  if (!*place && !overlapping.empty() && &overlapping.back() == place) overlapping.pop_back();
}

std::vector<SoundProblem> PrepareSchemeSounds(const TScheme& scheme) {
  // Every file the scheme names, and every slice by its file: each file is
  // decoded once, now, into the library's cache.
  std::map<std::string, std::string> wholes;  // resolved path -> the scheme's name of it
  std::map<std::string, std::vector<SoundPart>> slices;
  for (const std::string& reference : SoundReferencesOf(scheme)) {
    for (const SoundPart& part : ParseSoundReference(reference)) {
      const std::string path = ResolveSoundPath(ProgramFolder(), part.file);
      if (part.IsSlice()) {
        slices[path].push_back(part);
      } else {
        wholes.emplace(path, part.file);
      }
    }
  }
  std::vector<SoundProblem> problems;
  auto unplayable = [](DWORD error) {
    return error == kBassErrorCodec ? std::string("Windows cannot decode it here")
                                    : "Bass Error " + std::to_string(error);
  };
  for (const auto& [path, file] : wholes) {
    if (!FileExists(path)) {
      problems.push_back({{file, 0, 0}, "File not found"});
    } else if (HSAMPLE sample = LoadSound(path, SoundPart{}, 0)) {
      BASS_SampleFree(sample);
    } else {
      problems.push_back({{file, 0, 0}, unplayable(BASS_ErrorGetCode())});
    }
  }
  for (const auto& [path, parts] : slices) {
    if (!FileExists(path)) {
      for (const SoundPart& part : parts) problems.push_back({part, "File not found"});
      continue;
    }
    std::vector<DWORD> pairs;
    for (const SoundPart& part : parts) {
      pairs.push_back(part.startMs);
      pairs.push_back(part.lengthMs);
    }
    const std::wstring file = Wide(path);
    if (BASS_BrisoltPrepareSlices(file.c_str(), pairs.data(), static_cast<DWORD>(parts.size()), BASS_UNICODE)) continue;
    const DWORD error = BASS_ErrorGetCode();
    NoteMissingDecoders(error);
    // Which slices: each is kept now, or known to fail at once.
    for (const SoundPart& part : parts) {
      if (HSAMPLE sample = error == kBassErrorIllegalParam ? LoadSound(path, part, 0) : 0) {
        BASS_SampleFree(sample);
      } else {
        problems.push_back({part, error == kBassErrorIllegalParam ? "the slice lies past the end of the file"
                                                                   : unplayable(error)});
      }
    }
  }
  return problems;
}

void PlayPreview(const std::string& reference, int volume) {
  const SoundPart part = PartToPlay(reference);
  std::string path = ResolveSoundPath(ProgramFolder(), part.file);
  if (previewSample) BASS_SampleFree(previewSample);
  previewSample = 0;
  LoadAndPlay(previewSample, path, part, ScaledVolume(settings.GlobalVolume, volume));
}

bool DecodeSoundAsWav(const SoundPart& part, int volume, std::vector<uint8_t>& wav, std::string& problem) {
  wav.clear();
  const std::string path = ResolveSoundPath(ProgramFolder(), part.file);
  if (!FileExists(path)) {
    problem = "File not found";
    return false;
  }
  HSAMPLE sample = LoadSound(path, part, 0);
  if (!sample) {
    problem = "Bass Error " + std::to_string(BASS_ErrorGetCode());
    return false;
  }
  DWORD rate = 0;
  const DWORD frames = BASS_BrisoltGetSampleData(sample, nullptr, 0, &rate);
  std::vector<int16_t> stereo;
  bool read = frames != static_cast<DWORD>(-1);
  if (read) {
    stereo.resize(size_t{frames} * 2);
    read = BASS_BrisoltGetSampleData(sample, stereo.data(), frames, nullptr) == frames;
  }
  BASS_SampleFree(sample);
  if (!read) {
    problem = "Bass Error " + std::to_string(BASS_ErrorGetCode());
    return false;
  }
  if (volume != 100) {
    const double gain = std::max(volume, 0) / 100.0;
    for (int16_t& value : stereo) {
      value = static_cast<int16_t>(std::clamp(std::lround(value * gain), -32768L, 32767L));
    }
  }
  wav = WavFile16(stereo, rate, 2);
  return true;
}

bool ReadSoundOutline(const std::string& reference, int columns, SoundOutline& outline) {
  outline = SoundOutline{};
  const std::vector<SoundPart> parts = ParseSoundReference(reference);
  const SoundPart part = parts.empty() ? SoundPart{reference} : parts.front();
  std::string path = ResolveSoundPath(ProgramFolder(), part.file);
  if (!FileExists(path)) {
    outline.problem = "File not found";
    return false;
  }
  HSAMPLE sample = LoadSound(path, part, 0);
  if (!sample) {
    const DWORD error = BASS_ErrorGetCode();
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

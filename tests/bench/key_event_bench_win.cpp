// Measures one key event inside the program: from the hook's post of 0x40B
// to the moment the sound is handed to the audio library's mixer (the
// dispatch, the scheme lookup, the file load and the play request), over a
// thousand synthetic key presses of the shipped TypeWriter scheme, with the
// sound options off and on.
// Then, the quiet rules: from a change of the window in front (as its event
// arrives) to the rule being in force, with notepad.exe in the quiet list and
// the full-screen rule on, over 200 changes between notepad and no window.
// Then a sound pack made of the 40-second Vorbis sprite of the benchmark's
// sounds (BRISOLT_BENCH_SOUNDS), a press and a release slice for each of the
// 108 keys: the import to its first key handed to the mixer, a switch to it,
// the same thousand key events, and what its slices hold in memory.
// Run under Wine:  wine build/win64/tests/key_event_bench.exe

#include <windows.h>

#include <algorithm>
#include <string>
#include <cstdio>
#include <vector>

#include "app/commands.h"
#include "app/quiet_watch.h"
#include "audio/audio_engine.h"
#include "audio/audio_rules.h"
#include "base/program_paths.h"
#include "base/wide_text.h"
#include "bass/bass.h"
#include "hook/hakdor.h"
#include "input/input_handlers.h"
#include "packs/pack_files.h"
#include "settings/key_table.h"
#include "settings/sound_reference.h"
#include "settings/config_files.h"
#include "settings/settings.h"

namespace {

LARGE_INTEGER posted, entered, handled;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kHookKeyboardMessage) {
    QueryPerformanceCounter(&entered);
    KeyboardMessages(wParam, lParam);
    QueryPerformanceCounter(&handled);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

// The whole process: the render thread's mixing of what was played counts too.
uint64_t ProcessCpu100ns() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return value(kernel) + value(user);
}

uint64_t ThreadCpu100ns() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return value(kernel) + value(user);
}

double MillisSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1e3 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

constexpr int kSliceMs = 150;

// A pack folder with the sprite and a config.json giving every key of the
// table a press and a release slice of it, spread over its 40 seconds.
std::string MakeSpritePack(const std::string& sounds) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "brisolt-bench-pack";
  CreateDirectoryA(folder.c_str(), nullptr);
  if (!CopyFileA((sounds + "\\sprite.ogg").c_str(), (folder + "\\sprite.ogg").c_str(), FALSE)) return {};
  std::string defines;
  const auto table = KeyTable();
  for (int row = 0; row < kKeyCount; ++row) {
    const std::string code = std::to_string(table[static_cast<size_t>(row)].packCode);
    const int at = row * 360;
    defines += (row ? ",\n" : "") + std::string("\"") + code + "\": [" + std::to_string(at) + ", " +
               std::to_string(kSliceMs) + "], \"" + code + "-up\": [" + std::to_string(at + 180) + ", " +
               std::to_string(kSliceMs) + "]";
  }
  const std::string json = "{\"name\": \"Bench Sprite\", \"key_define_type\": \"single\", \"sound\": "
                           "\"sprite.ogg\", \"defines\": {" + defines + "}}";
  HANDLE file = CreateFileA((folder + "\\config.json").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, json.data(), static_cast<DWORD>(json.size()), &written, nullptr);
  CloseHandle(file);
  return folder;
}

}  // namespace

int main() {
  LoadConfigurationFrom(BRISOLT_DIST_DIR, false);
  // The scheme's relative paths belong to the dist folder, not to this program's.
  for (int i = 0; i < schemeList.Count(); ++i) {
    for (TSoundKey& key : schemeList.Scheme(i).Keys) key.FileName = ResolveSoundPath(BRISOLT_DIST_DIR, key.FileName);
  }
  settings.CurrentSchemeName = "TypeWriter";
  settings.DeviceID = -1;
  settings.MuteSound = false;
  settings.AnimIcon = false;
  settings.GlobalVolume = 20;
  settings.SupportEAX = false;
  StartAudio(nullptr, false);

  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KeyEventBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("KeyEventBench", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  // The same thousand presses with the sound options off (as the program
  // starts) and on: a varied rate, a place between the speakers, overlap.
  auto measure = [&](const char* label) {
    const WPARAM keys[] = {'A', 'S', ' ', 0x0D, '7', 0x10};
    std::vector<double> micros, toHandler;
    uint64_t cpuBefore = ThreadCpu100ns();
    uint64_t processBefore = ProcessCpu100ns();
    for (int i = 0; i < 1000; ++i) {
      handled.QuadPart = 0;
      QueryPerformanceCounter(&posted);
      PostMessageA(window, kHookKeyboardMessage, keys[i % 6], 0);
      MSG msg;
      while (handled.QuadPart == 0 && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      micros.push_back(1e6 * static_cast<double>(handled.QuadPart - posted.QuadPart) /
                       static_cast<double>(frequency.QuadPart));
      toHandler.push_back(1e6 * static_cast<double>(entered.QuadPart - posted.QuadPart) /
                          static_cast<double>(frequency.QuadPart));
      Sleep(2);
    }
    double cpuMicros = static_cast<double>(ThreadCpu100ns() - cpuBefore) / 10.0 / 1000.0;
    // Every sound of the burst has ended before the process's time is read.
    Sleep(1500);
    double processMicros = static_cast<double>(ProcessCpu100ns() - processBefore) / 10.0 / 1000.0;
    std::printf("key event (%s), hook post to handler: p50 %.0f us, p99 %.0f us\n", label,
                Percentile(toHandler, 0.5), Percentile(toHandler, 0.99));
    std::printf("key event (%s), hook post to sound handed to the mixer: p50 %.0f us, p99 %.0f us; CPU %.0f us "
                "per event (1000 events)\n",
                label, Percentile(micros, 0.5), Percentile(micros, 0.99), cpuMicros);
    std::printf("key event (%s), whole process: CPU %.0f us per event over the burst (sounds to their end)\n", label,
                processMicros);
  };
  measure("options off");
  settings.Variation = 10;
  settings.KeyPanning = true;
  settings.OverlapSounds = true;
  measure("variation, panning, overlap");
  settings.Variation = 0;
  settings.KeyPanning = false;
  settings.OverlapSounds = false;

  // The sound pack: imported into a data folder of its own, then current.
  char soundsValue[MAX_PATH] = "";
  const DWORD soundsLength = GetEnvironmentVariableA("BRISOLT_BENCH_SOUNDS", soundsValue, MAX_PATH);
  const std::string pack = soundsLength ? MakeSpritePack(soundsValue) : std::string();
  if (!pack.empty()) {
    const std::string data = pack + "-data";
    CreateDirectoryA(data.c_str(), nullptr);
    WIN32_FILE_ATTRIBUTE_DATA sprite{};
    GetFileAttributesExA((pack + "\\sprite.ogg").c_str(), GetFileExInfoStandard, &sprite);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    PackInstall installed = InstallSoundPack(pack, data, ProgramFolder(), [](const std::string& name) {
      return schemeList.FindScheme(name) >= 0;
    });
    const double installMs = MillisSince(start);
    if (installed.ok) {
      AddCurrentScheme(installed.name, installed.plan.scheme);
      PrepareSchemeSounds(installed.plan.scheme);  // as the program does when a scheme becomes current
      const double preparedMs = MillisSince(start);
      handled.QuadPart = 0;
      PostMessageA(window, kHookKeyboardMessage, 'A', 0);
      MSG msg;
      while (handled.QuadPart == 0 && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      std::printf("sound pack import (%.2f MB Vorbis sprite, %d keys, %d releases): files copied %.0f ms, slices cut "
                  "%.0f ms, first key handed to the mixer %.0f ms\n",
                  static_cast<double>(sprite.nFileSizeLow) / (1 << 20), installed.plan.keys, installed.plan.releases,
                  installMs, preparedMs, MillisSince(start));
      // What the library keeps for the pack: each slice's data, read back
      // from the samples the key path loads (they share the cache's data).
      double keptBytes = 0;
      for (const auto& [row, own] : installed.plan.scheme.OwnKeys) {
        for (const auto& reference : {own.FileName, own.ReleaseFileName}) {
          for (const SoundPart& part : ParseSoundReference(reference.value_or(""))) {
            const std::wstring path = Wide(ResolveSoundPath(ProgramFolder(), part.file));
            HSAMPLE slice = BASS_BrisoltSampleLoadSlice(path.c_str(), part.startMs, part.lengthMs, 1, BASS_UNICODE);
            keptBytes += 4.0 * BASS_BrisoltGetSampleData(slice, nullptr, 0, nullptr);
            BASS_SampleFree(slice);
          }
        }
      }
      std::printf("sound pack memory: its %d slices hold %.2f MB of 16-bit data at the mixer's rate (the sprite "
                  "decoded whole would be %.2f MB, and is not kept)\n",
                  installed.plan.keys + installed.plan.releases, keptBytes / (1 << 20), 40.0 * 48000 * 4 / (1 << 20));
      measure("sound pack");
      // A switch back and forth, the slices kept; then a switch after the
      // library's cache was emptied (a new output), which cuts them anew.
      const int packIndex = CurrentSchemeIndex();
      std::vector<double> switches;
      for (int i = 0; i < 20; ++i) {
        MakeSchemeCurrent(schemeList.FindScheme("TypeWriter"));
        PrepareSchemeSounds(schemeList.Scheme(CurrentSchemeIndex()));
        QueryPerformanceCounter(&start);
        MakeSchemeCurrent(packIndex);
        PrepareSchemeSounds(schemeList.Scheme(packIndex));
        switches.push_back(MillisSince(start));
      }
      ShutdownAudio();
      StartAudio(nullptr, false);
      QueryPerformanceCounter(&start);
      PrepareSchemeSounds(schemeList.Scheme(packIndex));
      std::printf("switch to the sound pack: p50 %.1f ms, max %.1f ms with its slices kept; %.0f ms cutting them "
                  "anew\n",
                  Percentile(switches, 0.5), Percentile(switches, 1.0), MillisSince(start));
      MakeSchemeCurrent(schemeList.FindScheme("TypeWriter"));
    } else {
      std::printf("sound pack: not imported: %s\n", installed.error.c_str());
    }
    const std::string cleanup = "cmd /c rmdir /s /q \"" + pack + "\" \"" + data + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION remover{};
    std::string line = cleanup;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &remover)) {
      WaitForSingleObject(remover.hProcess, 10000);
      CloseHandle(remover.hProcess);
      CloseHandle(remover.hThread);
    }
  } else {
    std::printf("sound pack: BRISOLT_BENCH_SOUNDS is not set, not measured\n");
  }

  settings.QuietFullScreen = true;
  settings.QuietPrograms = "calc.exe|notepad.exe";
  StartQuietWatch(window);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION notepad{};
  char commandLine[] = "notepad.exe";
  HWND editor = nullptr;
  if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &notepad)) {
    for (int i = 0; i < 200 && !(editor = FindWindowA("Notepad", nullptr)); ++i) Sleep(50);
  }
  if (editor) {
    std::vector<double> change;
    int quiet = 0;
    for (int i = 0; i < 400; ++i) {
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      QuietForegroundChanged(i % 2 ? nullptr : editor);
      QueryPerformanceCounter(&end);
      if (i % 2 == 0) {
        quiet += QuietReasonNow() == "notepad.exe";
        change.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                         static_cast<double>(frequency.QuadPart));
      }
    }
    std::printf("quiet rules, window in front changed to the rule in force: p50 %.0f us, p99 %.0f us "
                "(%d of 200 quiet)\n",
                Percentile(change, 0.5), Percentile(change, 0.99), quiet);
    TerminateProcess(notepad.hProcess, 0);
    CloseHandle(notepad.hProcess);
    CloseHandle(notepad.hThread);
  } else {
    std::printf("quiet rules: notepad.exe did not start, not measured\n");
  }
  StopQuietWatch();
  ShutdownAudio();
  return 0;
}

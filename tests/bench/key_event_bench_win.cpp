// Measures one key event inside the program: from the hook's post of 0x40B
// to the moment the sound is handed to the audio library's mixer (the
// dispatch, the scheme lookup, the file load and the play request), over a
// thousand synthetic key presses of the shipped TypeWriter scheme, with the
// sound options off and on.
// Then, the quiet rules: from a change of the window in front (as its event
// arrives) to the rule being in force, with notepad.exe in the quiet list and
// the full-screen rule on, over 200 changes between notepad and no window.
// Run under Wine:  wine build/win64/tests/key_event_bench.exe

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/commands.h"
#include "app/quiet_watch.h"
#include "audio/audio_engine.h"
#include "audio/audio_rules.h"
#include "hook/hakdor.h"
#include "input/input_handlers.h"
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

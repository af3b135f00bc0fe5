// Measures the audio library from inside, as the program uses it: one key
// event's work (free the previous sample, load the file, play it), the play
// call alone at the file's own rate and at another (which resamples), how long
// a sound takes to reach the device when the stream is warm and after pauses,
// and what the output costs while it waits (CPU time and wake-ups); and,
// with the files scripts/bench.sh makes, loading other formats than WAV.
// Run under Wine:  wine build/win64/tests/bass_bench.exe

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "bass/bass.h"
#include "bass/test_hooks_win.h"

namespace {

std::string WriteWav(const std::string& path, size_t bytesOfAudio) {
  size_t samples = bytesOfAudio / 2;
  std::string out = "RIFF";
  auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i))); };
  auto put16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) out.push_back(static_cast<char>(v >> (8 * i))); };
  put32(static_cast<uint32_t>(36 + samples * 2));
  out += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(1);
  put32(44100);
  put32(88200);
  put16(2);
  put16(16);
  out += "data";
  put32(static_cast<uint32_t>(samples * 2));
  for (size_t i = 0; i < samples; ++i) {
    double envelope = std::exp(-static_cast<double>(i) / 4000.0);
    put16(static_cast<uint16_t>(static_cast<int16_t>(12000 * envelope * std::sin(i * 0.07))));
  }
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  CloseHandle(f);
  return path;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

BASS_BRISOLT_LATENCY Latency() {
  BASS_BRISOLT_LATENCY info{};
  info.size = sizeof info;
  BASS_BrisoltGetLatency(&info);
  return info;
}

HSAMPLE PlayOnce(const std::string& path, HSAMPLE previous) {
  if (previous) BASS_SampleFree(previous);
  HSAMPLE sample = BASS_SampleLoad(FALSE, const_cast<char*>(path.c_str()), 0, 0, 1, BASS_SAMPLE_3D);
  BASS_SamplePlay3DEx(sample, nullptr, nullptr, nullptr, 0, -1, 30, FALSE);
  return sample;
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

// CPU time of the whole process (Wine's audio threads in it included) and
// wake-ups of the render thread over `seconds` while `during` keeps the state up.
template <typename During>
void MeasureCost(const char* state, int seconds, During during) {
  double cpu = ProcessCpuMs();
  DWORD renderWakeups = Latency().wakeups;
  for (int i = 0; i < seconds * 2; ++i) {
    during();
    Sleep(500);
  }
  double cpuShare = (ProcessCpuMs() - cpu) / (seconds * 1000.0) * 100.0;
  std::printf("%s: CPU %.2f %% of one core (whole process), %.1f wake-ups/s of the render thread\n", state, cpuShare,
              static_cast<double>(Latency().wakeups - renderWakeups) / seconds);
}

// The first sound after a pause of `pauseMs`, five times: its play-to-device time.
void FirstSoundAfter(const char* label, const std::string& path, DWORD pauseMs, double periodMs) {
  std::vector<double> ms;
  HSAMPLE sample = 0;
  for (int i = 0; i < 5; ++i) {
    Sleep(pauseMs);
    sample = PlayOnce(path, sample);
    Sleep(300);
    std::vector<uint32_t> recent = RecentVoiceLatencies();
    if (!recent.empty()) ms.push_back(recent.back() / 1000.0);
  }
  BASS_SampleFree(sample);
  if (ms.empty()) return;
  std::printf("first sound %s: median %.1f ms, worst %.1f ms (%.1f periods)\n", label, Percentile(ms, 0.5),
              Percentile(ms, 1.0), Percentile(ms, 1.0) / periodMs);
}

// The play call alone, each on a freshly loaded sample as at a key event:
// at the file's own rate, and at `freq`, which makes the sample's data at
// that rate first.
void PlayCallCost(const std::string& path, const char* label, int freq) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> micros;
  HSAMPLE sample = 0;
  for (int i = 0; i < 300; ++i) {
    if (sample) BASS_SampleFree(sample);
    sample = BASS_SampleLoad(FALSE, const_cast<char*>(path.c_str()), 0, 0, 1, BASS_SAMPLE_3D);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    BASS_SamplePlay3DEx(sample, nullptr, nullptr, nullptr, 0, freq, 30, FALSE);
    QueryPerformanceCounter(&t1);
    micros.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
    Sleep(5);
  }
  BASS_SampleFree(sample);
  std::printf("play call, %s, %s: p50 %.0f us, p99 %.0f us (300 plays)\n", label,
              freq == -1 ? "own rate" : "1.03 x own rate", Percentile(micros, 0.5), Percentile(micros, 0.99));
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(f);
  return bytes;
}

// Loads from memory (never served by the decode cache): the decode, the
// conversion to the output's rate and the sample. The first load is shown
// apart: it starts the decoders' machinery.
std::vector<double> LoadTimes(const std::string& bytes, int times) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  for (int i = 0; i < times; ++i) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    HSAMPLE sample = BASS_SampleLoad(TRUE, const_cast<char*>(bytes.data()), 0, static_cast<DWORD>(bytes.size()), 1, 0);
    QueryPerformanceCounter(&t1);
    if (!sample) {
      std::printf("load failed: error %lu\n", BASS_ErrorGetCode());
      return {};
    }
    BASS_SampleFree(sample);
    ms.push_back(1e3 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  return ms;
}

// The files scripts/bench.sh makes: a 40-second stereo Ogg Vorbis sprite of
// about 2 MB, a 100 ms MP3 click and a 1-second MP3, with ffmpeg's time for
// decoding the last. (What a loaded sprite keeps: brisolt_bench; Wine does
// not count a process's private bytes.)
void LoadOtherFormats(const std::string& folder) {
  const std::string sprite = ReadAll(folder + "\\sprite.ogg");
  const std::string click = ReadAll(folder + "\\click.mp3");
  const std::string second = ReadAll(folder + "\\second.mp3");
  if (sprite.empty() || click.empty() || second.empty()) {
    std::printf("no files to load in %s\n", folder.c_str());
    return;
  }
  for (const auto& [label, bytes, times] : {std::tuple{"100 ms MP3 click", &click, 30},
                                            std::tuple{"1 s MP3", &second, 10},
                                            std::tuple{"40 s Ogg Vorbis sprite", &sprite, 5}}) {
    std::vector<double> ms = LoadTimes(*bytes, times);
    if (ms.empty()) continue;
    const double first = ms.front();
    ms.erase(ms.begin());
    std::printf("load from memory, %s (%.2f MB): first %.1f ms, then median %.1f ms, worst %.1f ms\n", label,
                static_cast<double>(bytes->size()) / 1e6, first, Percentile(ms, 0.5), Percentile(ms, 1.0));
    if (bytes == &second) {
      char ffmpeg[32] = "";
      if (GetEnvironmentVariableA("BRISOLT_FFMPEG_MP3_MS", ffmpeg, sizeof ffmpeg) > 0 && std::atof(ffmpeg) > 0) {
        std::printf("  ffmpeg decodes the same file in %.1f ms: %.1f x ffmpeg (Media Foundation through Wine's "
                    "GStreamer, rate conversion and the sample included)\n",
                    std::atof(ffmpeg), Percentile(ms, 0.5) / std::atof(ffmpeg));
      }
    }
  }
}

bool Init() {
  if (BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) return true;
  std::printf("BASS_Init failed: %lu\n", BASS_ErrorGetCode());
  return false;
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string small = WriteWav(std::string(temp) + "bench-20k.wav", 20 * 1024);
  std::string large = WriteWav(std::string(temp) + "bench-200k.wav", 200 * 1024);
  if (!Init()) return 1;
  OutputInfo info = CurrentOutputInfo();
  double periodMs = 1000.0 * info.periodFrames / info.rate;
  std::printf("output: %u Hz, period %u frames (%.2f ms), buffer %u frames, IAudioClient3 %s, stream latency %.1f ms\n",
              info.rate, info.periodFrames, periodMs, info.bufferFrames, info.lowLatencyClient ? "yes" : "no",
              info.streamLatencyUs / 1000.0);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (const std::string& path : {small, large}) {
    HSAMPLE previous = 0;
    std::vector<double> micros;
    for (int i = 0; i < 300; ++i) {
      LARGE_INTEGER t0, t1;
      QueryPerformanceCounter(&t0);
      previous = PlayOnce(path, previous);
      QueryPerformanceCounter(&t1);
      micros.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
      Sleep(5);
    }
    std::printf("key event, %s: p50 %.0f us, p99 %.0f us (300 events)\n",
                path == small ? "20 KB WAV" : "200 KB WAV", Percentile(micros, 0.5), Percentile(micros, 0.99));
    BASS_SampleFree(previous);
  }
  char sounds[MAX_PATH] = "";
  if (GetEnvironmentVariableA("BRISOLT_BENCH_SOUNDS", sounds, sizeof sounds) > 0) LoadOtherFormats(sounds);
  for (const std::string& path : {small, large}) {
    const char* label = path == small ? "20 KB WAV" : "200 KB WAV";
    PlayCallCost(path, label, -1);
    PlayCallCost(path, label, 44100 * 103 / 100);
  }
  BASS_BRISOLT_LATENCY warm = Latency();
  std::printf("warm stream, %lu sounds: play -> voice in the mixer p50 %.2f ms, p99 %.2f ms; "
              "voice -> first buffer released p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              warm.voices, warm.mixerP50 / 1000.0, warm.mixerP99 / 1000.0, warm.p50 / 1000.0, warm.p99 / 1000.0,
              warm.max / 1000.0);
  std::printf("total software latency, play -> device: about %.1f ms (p50 to the buffer + stream latency)\n",
              (warm.p50 + warm.streamLatency) / 1000.0);
  MeasureCost("warm, no sound", 5, [] { BASS_BrisoltSetActivity(TRUE); });
  FirstSoundAfter("after 5 s without input (stream warm)", small, 5000, periodMs);
  BASS_Free();

  // The stopped and released states are reached with the timers shortened
  // (60 s and 10 min in the program): what is measured is the state, not the wait.
  SetOutputTimingsForTests(1000, 600000);
  if (!Init()) return 1;
  FirstSoundAfter("after 60 s without input (stream stopped, client held; warm time shortened to 1 s)", small, 2000,
                  periodMs);
  while (CurrentOutputInfo().running) Sleep(50);
  MeasureCost("stopped, client held", 5, [] {});
  BASS_Free();
  SetOutputTimingsForTests(1000, 2000);
  if (!Init()) return 1;
  FirstSoundAfter("after 10 min without input (client let go; release time shortened to 2 s)", small, 3000,
                  periodMs);
  while (CurrentOutputInfo().clientOpen) Sleep(50);
  MeasureCost("client let go", 5, [] {});
  BASS_Free();
  DeleteFileA(small.c_str());
  DeleteFileA(large.c_str());
  return 0;
}

// Measures one key event's work inside the audio library, as the program
// does it: free the previous sample, load the file from disk, play it.
// Prints p50 and p99 per file size, and the output period obtained.
// Run under Wine:  wine build/win64/tests/bass_bench.exe

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bass/bass.h"
#include "bass/output_win.h"

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

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string small = WriteWav(std::string(temp) + "bench-20k.wav", 20 * 1024);
  std::string large = WriteWav(std::string(temp) + "bench-200k.wav", 200 * 1024);
  if (!BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) {
    std::printf("BASS_Init failed: %lu\n", BASS_ErrorGetCode());
    return 1;
  }
  OutputInfo info = CurrentOutputInfo();
  std::printf("output: %u Hz, period %u frames (%.2f ms), buffer %u frames, IAudioClient3 %s\n", info.rate,
              info.periodFrames, 1000.0 * info.periodFrames / info.rate, info.bufferFrames,
              info.lowLatencyClient ? "yes" : "no");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (const std::string& path : {small, large}) {
    HSAMPLE previous = 0;
    std::vector<double> micros;
    for (int i = 0; i < 300; ++i) {
      LARGE_INTEGER t0, t1;
      QueryPerformanceCounter(&t0);
      if (previous) BASS_SampleFree(previous);
      previous = BASS_SampleLoad(FALSE, const_cast<char*>(path.c_str()), 0, 0, 1, BASS_SAMPLE_3D);
      BASS_SamplePlay3DEx(previous, nullptr, nullptr, nullptr, 0, -1, 30, FALSE);
      QueryPerformanceCounter(&t1);
      micros.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
      Sleep(5);
    }
    std::printf("key event, %s: p50 %.0f us, p99 %.0f us (300 events)\n",
                path == small ? "20 KB WAV" : "200 KB WAV", Percentile(micros, 0.5), Percentile(micros, 0.99));
    BASS_SampleFree(previous);
  }
  BASS_Free();
  DeleteFileA(small.c_str());
  DeleteFileA(large.c_str());
  return 0;
}

// Decoding a 40-second stereo Ogg Vorbis file (a keyboard pack's sprite),
// and what the audio library keeps of it once loaded,
// against ffmpeg decoding the same file in the same run: the ratio of our
// CPU time to ffmpeg's (its user time with one thread, as -benchmark gives
// it, the best of three runs, less its time for a file of 50 ms: what it
// spends starting).

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/sample_store.h"
#include "bass/vorbis_decoder.h"

namespace {

struct Sprite {
  std::vector<uint8_t> bytes;
  double ffmpegSeconds = 0;  // 0: ffmpeg could not be run
};

double FfmpegSeconds(const std::string& file) {
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    const std::string command = "ffmpeg -nostdin -hide_banner -threads 1 -benchmark -i " + file + " -f null - 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    char line[512];
    double seconds = 0;
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
      if (const char* at = std::strstr(line, "utime=")) seconds = std::atof(at + 6);
    }
    pclose(pipe);
    if (seconds > 0 && (best == 0 || seconds < best)) best = seconds;
  }
  return best;
}

const Sprite& FortySeconds() {
  static const Sprite sprite = [] {
    Sprite made;
    char pattern[] = "/tmp/decode_bench_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return made;
    const std::string dir = pattern, wav = dir + "/sprite.wav", ogg = dir + "/sprite.ogg";
    const std::string tinyWav = dir + "/tiny.wav", tinyOgg = dir + "/tiny.ogg";
    // Noise and a sweep, busy enough that the encoder spends its bits.
    const std::string make = "sox -R -D -n -r 44100 -c 2 -b 16 " + wav +
                             " synth 40 pinknoise sine 200-4000 vol 0.4 >/dev/null 2>&1 && oggenc -Q -q 6 " + wav +
                             " -o " + ogg + " >/dev/null 2>&1 && sox -n -r 44100 -c 2 -b 16 " + tinyWav +
                             " synth 0.05 sine 300 && oggenc -Q " + tinyWav + " -o " + tinyOgg + " >/dev/null 2>&1";
    if (std::system(make.c_str()) == 0) {
      std::ifstream in(ogg, std::ios::binary);
      made.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      const double whole = FfmpegSeconds(ogg), starting = FfmpegSeconds(tinyOgg);
      made.ffmpegSeconds = whole > starting ? whole - starting : 0;
    }
    std::filesystem::remove_all(dir);
    return made;
  }();
  return sprite;
}

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void BM_DecodeVorbisFortySecondStereo(benchmark::State& state) {
  const Sprite& sprite = FortySeconds();
  if (sprite.bytes.empty()) {
    state.SkipWithError("sox and oggenc could not make the file");
    return;
  }
  double spent = 0;
  for (auto _ : state) {
    const double before = ThreadSeconds();
    DecodedWav out;
    if (DecodeVorbis(sprite.bytes.data(), sprite.bytes.size(), out) != kBassOk) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.samples.data());
    spent += ThreadSeconds() - before;
  }
  state.counters["file_MB"] = static_cast<double>(sprite.bytes.size()) / 1e6;
  // What the audio library keeps of it: a sound this long stays at its own
  // rate, at 16 bits.
  DecodedWav decoded;
  DecodeVorbis(sprite.bytes.data(), sprite.bytes.size(), decoded);
  const bool sixteenBits = decoded.sixteenBits;
  const StereoSamples kept(ToStereo(std::move(decoded)), sixteenBits);
  state.counters["kept_MB"] = static_cast<double>(kept.Bytes()) / 1e6;
  if (sprite.ffmpegSeconds > 0) {
    state.counters["ffmpeg_ms"] = 1000 * sprite.ffmpegSeconds;
    state.counters["x_ffmpeg"] = spent / static_cast<double>(state.iterations()) / sprite.ffmpegSeconds;
  }
}
BENCHMARK(BM_DecodeVorbisFortySecondStereo)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

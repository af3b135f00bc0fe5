// The program's audio engine with the real bass.dll, heard through Wine's ALSA
// output captured to a file: levels, log lines and the reverb presets.

#include "audio/audio_engine.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "audio/audio_rules.h"
#include "base/program_paths.h"
#include "bass/bass.h"
#include "settings/config_files.h"
#include "settings/settings.h"
#include "tests/win/audio_test_util.h"

namespace {

constexpr double kPi = 3.14159265358979;

// A 1 kHz tone at half of full scale, with 5 ms fades.
std::vector<int16_t> Tone(double seconds) {
  size_t n = static_cast<size_t>(48000 * seconds);
  std::vector<int16_t> s(n);
  size_t fade = 240;
  for (size_t i = 0; i < n; ++i) {
    double envelope = std::min({1.0, static_cast<double>(i) / fade, static_cast<double>(n - 1 - i) / fade});
    s[i] = static_cast<int16_t>(std::lround(16384 * envelope * std::sin(2 * kPi * 1000 * i / 48000.0)));
  }
  return s;
}

double Rms(const std::vector<double>& x, size_t from, size_t to) {
  to = std::min(to, x.size());
  if (from >= to) return 0;
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += x[i] * x[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

double Db(double ratio) { return 20 * std::log10(std::max(ratio, 1e-12)); }

class AudioEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    capture_ = audiotest::CapturePath();
    if (capture_.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
    settings = Settings{};
    settings.DeviceID = -1;
    settings.SupportEAX = true;
    settings.EaxEnv = 0;
    settings.GlobalVolume = 100;
    StartAudio(nullptr, false);
  }
  void TearDown() override { ShutdownAudio(); }

  std::string WriteWav(const std::string& name, const std::vector<int16_t>& samples) {
    std::vector<uint8_t> wav = audiotest::MakeWav(samples, 1, 48000);
    std::string path = dir_ / name;
    testutil::WriteFileText(path, std::string(wav.begin(), wav.end()));
    return path;
  }

  // Plays through the engine and returns the mono capture from the play on,
  // `seconds` long.
  std::vector<double> PlayAndCapture(const std::string& file, int volume, double seconds) {
    size_t before = testutil::FileSize(capture_);
    before -= before % 4;
    PlayKeySound(file, volume);
    size_t needed = before + static_cast<size_t>(seconds * 48000) * 4;
    EXPECT_TRUE(testutil::WaitFor([&] { return testutil::FileSize(capture_) >= needed; }, 15000));
    return audiotest::CapturedMono(testutil::ReadFileFrom(capture_, before));
  }

  // Plays through the engine and returns whatever reaches the device in the
  // next `ms` milliseconds (possibly nothing: an idle output writes nothing).
  std::vector<double> PlayAndListen(const std::string& file, int volume, DWORD ms) {
    size_t before = testutil::FileSize(capture_);
    before -= before % 4;
    PlayKeySound(file, volume);
    Sleep(ms);
    return audiotest::CapturedMono(testutil::ReadFileFrom(capture_, before));
  }

  // Index of the first 10 ms window whose level reaches half of `level`.
  static size_t Onset(const std::vector<double>& x, double level) {
    for (size_t i = 0; i + 480 <= x.size(); i += 48) {
      if (Rms(x, i, i + 480) >= level / 2) return i;
    }
    return x.size();
  }

  std::string LogTail(size_t from) { return testutil::ReadFileText(ProgramFolder() + "\\Log.txt").substr(from); }
  size_t LogSize() { return testutil::ReadFileText(ProgramFolder() + "\\Log.txt").size(); }

  std::string capture_;
  testutil::TempFolder dir_;
};

}  // namespace

TEST_F(AudioEngine, KeySoundPlaysAtItsVolumeScaledByTheGlobalVolume) {
  std::string tone = WriteWav("tone.wav", Tone(0.3));
  const double fileRms = 16384 / std::sqrt(2.0);
  settings.GlobalVolume = 50;
  std::vector<double> heard = PlayAndCapture(tone, 80, 0.6);
  size_t onset = Onset(heard, 0.4 * fileRms);
  ASSERT_LT(onset, heard.size());
  // The steady middle of the tone: 40 % of the file's level.
  double level = Rms(heard, onset + 4800, onset + 9600);
  std::printf("GlobalVolume 50, volume 80: %.4f of the file's level\n", level / fileRms);
  EXPECT_NEAR(level / fileRms, 0.40, 0.01);

  settings.GlobalVolume = 100;
  heard = PlayAndCapture(tone, 100, 0.6);
  onset = Onset(heard, fileRms);
  EXPECT_NEAR(Rms(heard, onset + 4800, onset + 9600) / fileRms, 1.0, 0.02);
}

TEST_F(AudioEngine, MissingAndBrokenFilesAreLoggedAndPlayNothing) {
  size_t log = LogSize();
  std::string missing = dir_ / "nowhere.wav";
  std::vector<double> heard = PlayAndListen(missing, 100, 300);
  EXPECT_NE(LogTail(log).find(" File " + missing + " not found\r\n"), std::string::npos) << LogTail(log);
  EXPECT_LT(Rms(heard, 0, heard.size()), 1.0);

  log = LogSize();
  testutil::WriteFileText(dir_ / "words.wav", "These are words, not a sound.");
  heard = PlayAndListen(dir_ / "words.wav", 100, 300);
  // The load's own complaint: not a sound file at all.
  EXPECT_NE(LogTail(log).find(" Bass Error 41. Could not creating sample!\r\n"), std::string::npos) << LogTail(log);
  EXPECT_LT(Rms(heard, 0, heard.size()), 1.0);

  // An empty file name becomes the program folder itself: not a file.
  log = LogSize();
  PlayKeySound("", 100);
  EXPECT_NE(LogTail(log).find(" File " + ProgramFolder() + "\\ not found\r\n"), std::string::npos);
}

TEST_F(AudioEngine, PresetsLeaveTailsOfTheirLength) {
  std::string burst = WriteWav("burst.wav", Tone(0.05));
  const double fileRms = 16384 / std::sqrt(2.0);
  struct Tail {
    double early;  // 20..120 ms after the burst
    double late;   // 400..600 ms after the burst
  };
  auto measure = [&](int preset) {
    ApplyEaxPreset(preset);
    std::vector<double> heard = PlayAndCapture(burst, 100, 1.0);
    size_t end = Onset(heard, fileRms) + 2400;
    Tail tail{Db(Rms(heard, end + 960, end + 5760) / fileRms), Db(Rms(heard, end + 19200, end + 28800) / fileRms)};
    ApplyEaxPreset(0);
    Sleep(300);
    return tail;
  };
  Tail off = measure(0);
  Tail room = measure(3);
  Tail hangar = measure(11);
  std::printf("tails (dB re. the tone, 20-120 ms / 400-600 ms after it): Off %.1f / %.1f, Room %.1f / %.1f, "
              "Hangar %.1f / %.1f\n", off.early, off.late, room.early, room.late, hangar.early, hangar.late);
  EXPECT_LT(off.early, -80.0) << "Off leaves no tail";
  EXPECT_GT(room.early, -50.0) << "Room rings briefly";
  EXPECT_LT(room.late, room.early - 30.0) << "and dies within half a second";
  EXPECT_GT(hangar.late, -40.0) << "Hangar still rings after half a second";
  EXPECT_GT(hangar.late, room.late + 20.0);
}

TEST(DefaultSchemes, EveryFileOfTheShippedSchemesLoadsFromTheDistFolder) {
  const std::string dist = BRISOLT_DIST_DIR;
  settings = Settings{};
  LoadConfigurationFrom(dist, false);
  ASSERT_GE(schemeList.Count(), 3);
  EXPECT_GE(schemeList.FindScheme("TypeWriter"), 0) << "the default current scheme ships";
  ASSERT_TRUE(BASS_Init(0, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  for (int i = 0; i < schemeList.Count(); ++i) {
    for (const TSoundKey& key : schemeList.Scheme(i).Keys) {
      std::string path = ResolveSoundPath(dist, key.FileName);
      HSAMPLE sample = BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
      EXPECT_NE(sample, 0u) << path << ": error " << BASS_ErrorGetCode();
      BASS_SampleFree(sample);
    }
  }
  BASS_Free();
  schemeList.Clear();
}

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

using audiotest::Rms;

// A 1 kHz tone at half of full scale, with 5 ms fades.
std::vector<int16_t> Tone(double seconds) { return audiotest::Sine(48000, seconds, 1000, 0.5, 240); }

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

  // How many sounds the library has started on the device since BASS_Init.
  static DWORD SoundsStarted() {
    BASS_BRISOLT_LATENCY figures{};
    figures.size = sizeof figures;
    return BASS_BrisoltGetLatency(&figures) ? figures.voices : 0;
  }

  // Plays `file`, then a marker tone, and waits until the marker is heard:
  // whatever `file` started would have reached the device by then. Returns
  // how many sounds reached the device besides the marker.
  DWORD SoundsBesidesAMarker(const std::string& file, int volume) {
    if (marker_.empty()) marker_ = WriteWav("marker.wav", Tone(0.1));
    DWORD before = SoundsStarted();
    size_t mark = audiotest::CaptureSize(capture_);
    PlayKeySound(file, volume);
    PlayKeySound(marker_, 100);
    // Heard in the capture, and counted by the library as it reached the
    // device (which may come a little later on a busy machine).
    EXPECT_TRUE(testutil::WaitFor(
        [&] {
          return audiotest::LoudestLevel(testutil::ReadFileFrom(capture_, mark)) > 0.1 && SoundsStarted() > before;
        },
        10000))
        << "the marker is heard";
    return SoundsStarted() - before - 1;
  }

  // Waits until the last 100 ms that reached the device were silent: the
  // tail of an earlier sound has died away.
  bool WaitForSilence() {
    return testutil::WaitFor(
        [&] {
          size_t size = audiotest::CaptureSize(capture_);
          if (size < 4800 * 4) return false;
          std::vector<double> tail = audiotest::CapturedMono(testutil::ReadFileFrom(capture_, size - 4800 * 4));
          return Rms(tail, 0, 4800) < 1.0;
        },
        5000);
  }

  // Index of the first 10 ms window whose level reaches half of `level`.
  static size_t Onset(const std::vector<double>& x, double level) {
    for (size_t i = 0; i + 480 <= x.size(); i += 48) {
      if (Rms(x, i, i + 480) >= level / 2) return i;
    }
    return x.size();
  }

  static std::string LogPath() { return ProgramFolder() + "\\Log.txt"; }
  static std::string LogTail(size_t from) { return testutil::LogSince(LogPath(), from); }
  static size_t LogSize() { return testutil::LogSize(LogPath()); }

  std::string capture_;
  std::string marker_;
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
  EXPECT_EQ(SoundsBesidesAMarker(missing, 100), 0u);
  EXPECT_NE(LogTail(log).find(" File " + missing + " not found\r\n"), std::string::npos) << LogTail(log);

  log = LogSize();
  testutil::WriteFileText(dir_ / "words.wav", "These are words, not a sound.");
  EXPECT_EQ(SoundsBesidesAMarker(dir_ / "words.wav", 100), 0u);
  // The load's own complaint: not a sound file at all.
  EXPECT_NE(LogTail(log).find(" Bass Error 41. Could not creating sample!\r\n"), std::string::npos) << LogTail(log);

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
    EXPECT_TRUE(WaitForSilence()) << "the tail of preset " << preset << " dies away";
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

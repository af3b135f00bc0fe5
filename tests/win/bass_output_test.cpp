// The output stream seen from inside the library (linked in, not as the DLL):
// it goes idle after a few seconds of silence and wakes for the next sound.

#include "bass/output_win.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/win/audio_test_util.h"

TEST(BassOutput, IdlesAfterSilenceAndTheNextSoundPlaysInFull) {
  std::string capture = audiotest::CapturePath();
  if (capture.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
  testutil::TempFolder dir;
  std::vector<int16_t> chirp = audiotest::Chirp(48000, 0.25);
  std::string path = dir / "chirp.wav";
  std::vector<uint8_t> wav = audiotest::MakeWav(chirp, 1, 48000);
  testutil::WriteFileText(path, std::string(wav.begin(), wav.end()));

  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  OutputInfo info = CurrentOutputInfo();
  EXPECT_GT(info.rate, 0u);
  EXPECT_GT(info.periodFrames, 0u);
  EXPECT_LE(info.periodFrames, info.rate / 100) << "a period of at most 10 ms";
  EXPECT_FALSE(info.running) << "nothing has sounded yet";

  HSAMPLE sample = BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
  ASSERT_NE(sample, 0u);
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp, capture), 40.0);
  // The stream ran for the sound, then stops within a few seconds of silence
  // (the render thread then sleeps until the next command).
  EXPECT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().running; }, 6000));
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp, capture), 40.0);
  EXPECT_TRUE(BASS_Free());
}

// The default output changes under a playing sound (a headset plugged in):
// the stream reopens on the new default and the rest of the sound is heard,
// without waiting for another sound to wake the render thread.
TEST(BassOutput, ASoundGoesOnWhenTheDefaultOutputChangesUnderIt) {
  std::string capture = audiotest::CapturePath();
  if (capture.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
  testutil::TempFolder dir;
  std::vector<int16_t> tone(48000);  // one second at a steady level
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(i % 48 < 24 ? 8000 : -8000);
  std::string path = dir / "tone.wav";
  std::vector<uint8_t> wav = audiotest::MakeWav(tone, 1, 48000);
  testutil::WriteFileText(path, std::string(wav.begin(), wav.end()));

  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  HSAMPLE sample = BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
  ASSERT_NE(sample, 0u);
  size_t before = testutil::ReadFileText(capture).size();
  before -= before % 4;
  BASS_3DVECTOR zero{0.0f, 0.0f, 0.0f};
  ASSERT_NE(BASS_SamplePlay3DEx(sample, &zero, &zero, &zero, 0, -1, 100, FALSE), 0u);
  ASSERT_TRUE(testutil::WaitFor([&] { return testutil::ReadFileText(capture).size() >= before + 48000 / 5 * 4; },
                                5000));
  SimulateDefaultDeviceChange();
  // Whatever the capture holds of the sound, when the stream has had the time
  // to play it all: most of the second, not just the part before the move.
  auto heard = [&] {
    std::vector<double> got = audiotest::CapturedMono(testutil::ReadFileText(capture).substr(before));
    size_t loud = 0;
    for (double x : got) loud += std::fabs(x) > 2000;
    return loud;
  };
  EXPECT_TRUE(testutil::WaitFor([&] { return heard() >= 48000 * 8 / 10; }, 4000)) << heard() << " loud frames";
  EXPECT_TRUE(BASS_Free());
}

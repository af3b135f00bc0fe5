// The output stream seen from inside the library (linked in, not as the DLL):
// it goes idle after a few seconds of silence and wakes for the next sound.

#include "bass/output_win.h"

#include <gtest/gtest.h>

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

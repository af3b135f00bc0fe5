#include "audio/audio_rules.h"

#include <gtest/gtest.h>

TEST(SoundPath, DriveAndNetworkPathsStayRelativeOnesJoinTheProgramFolder) {
  const std::string folder = "C:\\Tools\\Brisolt";
  EXPECT_EQ(ResolveSoundPath(folder, "C:\\x.wav"), "C:\\x.wav");
  EXPECT_EQ(ResolveSoundPath(folder, "d:sound.wav"), "d:sound.wav");
  EXPECT_EQ(ResolveSoundPath(folder, "\\\\server\\share\\a.wav"), "\\\\server\\share\\a.wav");
  EXPECT_EQ(ResolveSoundPath(folder, "Schemes\\TypeWriter\\a.wav"), "C:\\Tools\\Brisolt\\Schemes\\TypeWriter\\a.wav");
  EXPECT_EQ(ResolveSoundPath(folder, ""), "C:\\Tools\\Brisolt\\");
  // One leading backslash is not a network path: two backslashes in a row.
  EXPECT_EQ(ResolveSoundPath(folder, "\\a.wav"), "C:\\Tools\\Brisolt\\\\a.wav");
  EXPECT_EQ(ResolveSoundPath(folder, "a"), "C:\\Tools\\Brisolt\\a");
}

TEST(SoundVolume, ScaledByTheGlobalVolumeWithHalvesToEven) {
  EXPECT_EQ(ScaledVolume(60, 5), 3);
  EXPECT_EQ(ScaledVolume(50, 5), 2);   // 2.5
  EXPECT_EQ(ScaledVolume(70, 5), 4);   // 3.5
  EXPECT_EQ(ScaledVolume(30, 5), 2);   // 1.5
  EXPECT_EQ(ScaledVolume(100, 100), 100);
  EXPECT_EQ(ScaledVolume(0, 100), 0);
  EXPECT_EQ(ScaledVolume(100, 0), 0);
  EXPECT_EQ(ScaledVolume(50, 80), 40);
  EXPECT_EQ(ScaledVolume(33, 33), 11);  // 10.89
  EXPECT_EQ(ScaledVolume(60, 250), 150);  // the store does not clamp
}

TEST(AudioRules, LatencyIsTheMedianSoundPlusTheStreamsOwn) {
  EXPECT_EQ(SoftwareLatencyMs(20, 6400, 10000, 21000), 27);  // 6.4 + 21 ms
  EXPECT_EQ(SoftwareLatencyMs(0, 0, 10000, 21000), 26);      // before any sound: half a period
  EXPECT_EQ(SoftwareLatencyMs(0, 0, 0, 0), 1);
}

#include "ui/sound_path_rules.h"

#include <gtest/gtest.h>

TEST(SoundPathRules, FilesInsideTheProgramFolderAreKeptRelative) {
  const std::string folder = "C:\\Tools\\Brisolt";
  EXPECT_EQ(PathForScheme("C:\\Tools\\Brisolt\\Schemes\\Laptop\\a.wav", folder), "Schemes\\Laptop\\a.wav");
  EXPECT_EQ(PathForScheme("C:\\Tools\\Brisolt\\click.wav", folder), "click.wav");
  // Elsewhere, or in a sibling whose name only begins like the folder's.
  EXPECT_EQ(PathForScheme("C:\\Tools\\Brisolt2\\click.wav", folder), "C:\\Tools\\Brisolt2\\click.wav");
  EXPECT_EQ(PathForScheme("D:\\Sounds\\click.wav", folder), "D:\\Sounds\\click.wav");
  // The comparison is exact: another letter case is another path text.
  EXPECT_EQ(PathForScheme("c:\\tools\\brisolt\\click.wav", folder), "c:\\tools\\brisolt\\click.wav");
}

#include "ui/editor_rules.h"

TEST(EditorRules, VolumeStepsStopAtTheLimitsButNeverPushFurtherOut) {
  EXPECT_EQ(VolumeStepped(50, true), 51);
  EXPECT_EQ(VolumeStepped(50, false), 49);
  EXPECT_EQ(VolumeStepped(100, true), 100);
  EXPECT_EQ(VolumeStepped(0, false), 0);
  EXPECT_EQ(VolumeStepped(150, true), 150);   // from a hand-edited store: shown and kept
  EXPECT_EQ(VolumeStepped(150, false), 149);
  EXPECT_EQ(VolumeStepped(-4, true), -3);
}

TEST(EditorRules, HeightIsKeptWithinTheWindowLimits) {
  EXPECT_EQ(EditorHeight(400), 400);
  EXPECT_EQ(EditorHeight(0), 350);
  EXPECT_EQ(EditorHeight(5000), 700);
}

TEST(WaveSummary, TellsTheLengthAndThePeakAndWarnsOfSilenceAndClipping) {
  EXPECT_EQ(WaveSummary(123, 0.5), "123 ms, peak -6.0 dBFS");
  EXPECT_EQ(WaveSummary(900, 0.0), "900 ms, silent");
  EXPECT_EQ(WaveSummary(40, 1.0), "40 ms, peak 0.0 dBFS (may be clipped)");
  EXPECT_EQ(WaveSummary(7, 0.001), "7 ms, peak -60.0 dBFS");
}

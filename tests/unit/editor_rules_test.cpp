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

// A slice drawn over 600 pixels of a 6000 ms file: 10 ms a pixel.
TEST(SliceOnTheWaveform, AnEdgeIsTakenNearItAndDraggedWithinTheFile) {
  const SliceSpan slice{1200, 800};  // pixels 120..200
  EXPECT_EQ(SliceEdgeNear(slice, 6000, 600, 118, 4), 0);
  EXPECT_EQ(SliceEdgeNear(slice, 6000, 600, 203, 4), 1);
  EXPECT_EQ(SliceEdgeNear(slice, 6000, 600, 160, 4), -1) << "inside, away from both edges";
  EXPECT_EQ(SliceEdgeNear({1000, 20}, 6000, 600, 102, 4), 1) << "edges 2 px apart: the one the press is nearer";

  EXPECT_EQ(DragSliceEdge(slice, 6000, 600, 0, 100), (SliceSpan{1000, 1000})) << "the end stays";
  EXPECT_EQ(DragSliceEdge(slice, 6000, 600, 1, 300), (SliceSpan{1200, 1800})) << "the start stays";
  EXPECT_EQ(DragSliceEdge(slice, 6000, 600, 0, -50), (SliceSpan{0, 2000})) << "not before the file";
  EXPECT_EQ(DragSliceEdge(slice, 6000, 600, 1, 900), (SliceSpan{1200, 4800})) << "not past its end";
  EXPECT_EQ(DragSliceEdge(slice, 6000, 600, 0, 250), (SliceSpan{1999, 1})) << "the start never passes the end";
  EXPECT_EQ(DragSliceEdge(slice, 6000, 600, 1, 50), (SliceSpan{1200, 1})) << "nor the end the start";
}

#include "input/quiet_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Names = std::vector<std::string>;

TEST(QuietRules, TheProgramListIsReadForgivinglyAndWrittenTidily) {
  EXPECT_EQ(ParseProgramList(""), Names{});
  EXPECT_EQ(ParseProgramList("|| |"), Names{});
  EXPECT_EQ(ParseProgramList(" notepad.exe |Game.EXE||  my tool.exe"), (Names{"notepad.exe", "Game.EXE", "my tool.exe"}));
  EXPECT_EQ(ParseProgramList("Game.exe|game.exe|GAME.EXE"), Names{"Game.exe"}) << "one name once, the first spelling";
  EXPECT_EQ(JoinProgramList(ParseProgramList(" a.exe | b.exe ")), "a.exe|b.exe");
  EXPECT_TRUE(ListHasProgram({"Game.EXE"}, "game.exe"));
  EXPECT_FALSE(ListHasProgram({"game.exe"}, "game.ex"));
  EXPECT_FALSE(SameProgram("\xC3\x89" "diteur.exe", "\xC3\xA9" "diteur.exe")) << "other letters as they are";

  EXPECT_EQ(ProgramNameOf("C:\\Games\\Big Game\\Game.exe"), "Game.exe");
  EXPECT_EQ(ProgramNameOf("Z:\\tmp\\game"), "game.exe") << "typed without extension";
  EXPECT_EQ(ProgramNameOf("C:\\Tools\\"), "");
  EXPECT_EQ(ToggleProgram({"a.exe", "b.exe"}, "A.EXE"), Names{"b.exe"});
  EXPECT_EQ(ToggleProgram({"b.exe"}, " c.exe "), (Names{"b.exe", "c.exe"}));
  EXPECT_EQ(ToggleProgram({"b.exe"}, "x|y.exe"), Names{"b.exe"}) << "a name cannot hold the separator";
}

TEST(QuietRules, AThousandNamesAreAllFound) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "program" + std::to_string(i) + ".exe|";
  Names programs = ParseProgramList(text);
  ASSERT_EQ(programs.size(), 1000u);
  EXPECT_TRUE(ListHasProgram(programs, "PROGRAM999.EXE"));
  EXPECT_FALSE(ListHasProgram(programs, "program1000.exe"));
  EXPECT_EQ(ParseProgramList(JoinProgramList(programs)), programs);
}

TEST(QuietRules, FullScreenMeansTheWholeMonitorNotTheWorkArea) {
  const ScreenRect monitor{0, 0, 1920, 1080};
  EXPECT_TRUE(IsFullScreenWindow({0, 0, 1920, 1080}, monitor, false));
  EXPECT_TRUE(IsFullScreenWindow({-3, -3, 1923, 1083}, monitor, false)) << "borders past the edges";
  EXPECT_FALSE(IsFullScreenWindow({0, 0, 1920, 1040}, monitor, false)) << "the work area above the taskbar";
  EXPECT_FALSE(IsFullScreenWindow({-8, -8, 1928, 1088}, monitor, true)) << "maximised over a hidden taskbar";
  EXPECT_FALSE(IsFullScreenWindow({100, 100, 800, 600}, monitor, false));
  // The second monitor, to the left and higher.
  const ScreenRect second{-1280, -200, 0, 824};
  EXPECT_TRUE(IsFullScreenWindow({-1280, -200, 0, 824}, second, false));
  EXPECT_FALSE(IsFullScreenWindow({-1280, -200, 0, 824}, monitor, false));
  EXPECT_FALSE(IsFullScreenWindow({-1280, 0, 1920, 1080}, second, false)) << "over both, covering neither";
  EXPECT_FALSE(IsFullScreenWindow({0, 0, 0, 0}, ScreenRect{}, false)) << "no monitor";
}

TEST(QuietRules, TheShellsOwnWordOnFullScreenAndPresentations) {
  for (int state = 0; state <= 7; ++state) {
    EXPECT_EQ(NotificationStateIsQuiet(state), state == 2 || state == 3 || state == 4) << state;
  }
}

TEST(QuietRules, TheMicrophoneIsInUseWhileALastStartFollowsTheLastStop) {
  EXPECT_FALSE(MicrophoneInUse({}));
  EXPECT_FALSE(MicrophoneInUse({{100, 200}, {0, 0}})) << "used and stopped, and never used";
  EXPECT_TRUE(MicrophoneInUse({{100, 200}, {300, 0}})) << "recording now: its stop is 0";
  EXPECT_TRUE(MicrophoneInUse({{500, 400}}));
  EXPECT_FALSE(MicrophoneInUse({{0, 400}})) << "a stop without a start";
}

TEST(QuietRules, TheFirstRuleThatIsOnAndHoldsGivesTheReason) {
  QuietFacts facts{true, "notepad.exe", true};
  EXPECT_EQ(QuietReason(QuietRules{}, facts), "") << "every rule off";
  EXPECT_EQ(QuietReason(QuietRules{true, {}, true}, facts), "full screen");
  EXPECT_EQ(QuietReason(QuietRules{false, {"NOTEPAD.EXE"}, true}, facts), "notepad.exe");
  EXPECT_EQ(QuietReason(QuietRules{false, {"calc.exe"}, true}, facts), "microphone in use");
  EXPECT_EQ(QuietReason(QuietRules{true, {"calc.exe"}, false}, QuietFacts{false, "notepad.exe", true}), "");
  EXPECT_EQ(QuietReason(QuietRules{false, {"notepad.exe"}, false}, QuietFacts{}), "") << "nothing known in front";
  EXPECT_EQ(QuietTipEnding("full screen"), "quiet: full screen");
}

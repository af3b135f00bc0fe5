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

// The states SHQueryUserNotificationState reports, by the shell's numbers.
TEST(QuietRules, TheShellsOwnWordOnFullScreenAndPresentations) {
  struct State {
    int value;
    const char* what;
    bool quiet;
  };
  for (const State s : {State{0, "no answer", false}, State{1, "QUNS_NOT_PRESENT (locked, screen saver)", false},
                        State{2, "QUNS_BUSY (a full-screen program)", true},
                        State{3, "QUNS_RUNNING_D3D_FULL_SCREEN", true}, State{4, "QUNS_PRESENTATION_MODE", true},
                        State{5, "QUNS_ACCEPTS_NOTIFICATIONS", false}, State{6, "QUNS_QUIET_TIME", false},
                        State{7, "QUNS_APP (a Store app in front)", false}}) {
    EXPECT_EQ(NotificationStateIsQuiet(s.value), s.quiet) << s.what;
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

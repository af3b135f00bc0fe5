#include "app/commands.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "input/hotkeys.h"
#include "settings/settings.h"

namespace {

// Every command against the process-wide model, with what it announced.
class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = Settings{};
    settings.VolUpValue = 10;
    settings.VolDownValue = 10;
    schemeList.Clear();
    for (const char* name : {"TypeWriter", "Mechanical", "Laptop"}) schemeList.Append(name, TScheme{});
    settings.CurrentSchemeName = "Mechanical";
    subscription_ = Subscribe([this](ModelChanges changes) { heard_.push_back(changes); });
    SetCommandServices({[this](bool on) {
                          if (refuseRunValue_) throw std::runtime_error("Failed to set data for 'Brisolt'");
                          runValueWrites_.push_back(on);
                        },
                        [this](const std::string& line) { log_.push_back(line); }});
  }
  void TearDown() override {
    Unsubscribe(subscription_);
    SetCommandServices({});
    schemeList.Clear();
  }

  // The announcements since the last call.
  std::vector<ModelChanges> Heard() { return std::exchange(heard_, {}); }

  std::vector<ModelChanges> heard_;
  std::vector<bool> runValueWrites_;
  std::vector<std::string> log_;
  bool refuseRunValue_ = false;
  int subscription_ = 0;
};

using Changes = std::vector<ModelChanges>;

TEST_F(Commands, MakeSchemeCurrentAnnouncesOnceAndRefusesIndicesOutsideTheList) {
  EXPECT_TRUE(MakeSchemeCurrent(2));
  EXPECT_EQ(settings.CurrentSchemeName, "Laptop");
  EXPECT_EQ(Heard(), Changes{kChangedCurrentScheme});

  EXPECT_FALSE(MakeSchemeCurrent(3));
  EXPECT_FALSE(MakeSchemeCurrent(-1));
  EXPECT_EQ(settings.CurrentSchemeName, "Laptop");
  EXPECT_TRUE(Heard().empty());
}

TEST_F(Commands, StepSchemeWrapsAndStartsAtAnEndWhenTheCurrentSchemeIsMissing) {
  StepScheme(+1);
  StepScheme(+1);
  EXPECT_EQ(settings.CurrentSchemeName, "TypeWriter") << "after the last comes the first";
  StepScheme(-1);
  EXPECT_EQ(settings.CurrentSchemeName, "Laptop") << "before the first comes the last";
  EXPECT_EQ(Heard().size(), 3u);

  settings.CurrentSchemeName = "Gone";
  StepScheme(+1);
  EXPECT_EQ(settings.CurrentSchemeName, "TypeWriter");
  settings.CurrentSchemeName = "";
  StepScheme(-1);
  EXPECT_EQ(settings.CurrentSchemeName, "Laptop");

  schemeList.Clear();
  Heard();
  StepScheme(+1);
  StepScheme(-1);
  EXPECT_EQ(settings.CurrentSchemeName, "Laptop");
  EXPECT_TRUE(Heard().empty()) << "an empty list has nothing to switch to";
}

TEST_F(Commands, EditingSchemesKeepsTheCurrentNameInStep) {
  TScheme loud;
  loud.Key(KeyCategory::Space).Volume = 90;
  // The current scheme renamed: the current name follows.
  EXPECT_TRUE(ReplaceScheme(1, "Clicky", loud, true));
  EXPECT_EQ(schemeList.Name(1), "Clicky");
  EXPECT_EQ(schemeList.Scheme(1).Key(KeyCategory::Space).Volume, 90);
  EXPECT_EQ(settings.CurrentSchemeName, "Clicky");
  EXPECT_EQ(Heard(), Changes{kChangedSchemeList | kChangedCurrentScheme});
  // Another scheme renamed: the current one stays.
  EXPECT_TRUE(ReplaceScheme(0, "Old", loud, false));
  EXPECT_EQ(settings.CurrentSchemeName, "Clicky");
  EXPECT_EQ(Heard(), Changes{kChangedSchemeList});
  // A stale index changes nothing and throws nothing.
  EXPECT_FALSE(ReplaceScheme(7, "X", loud, true));
  EXPECT_EQ(settings.CurrentSchemeName, "Clicky");
  EXPECT_TRUE(Heard().empty());

  EXPECT_EQ(AddScheme("Clicky2", loud), 3);
  EXPECT_EQ(schemeList.Name(3), "Clicky2");
  EXPECT_EQ(Heard(), Changes{kChangedSchemeList});
}

TEST_F(Commands, DeletingTheCurrentSchemeLeavesNoSchemeCurrent) {
  EXPECT_TRUE(DeleteScheme(0));
  EXPECT_EQ(settings.CurrentSchemeName, "Mechanical");
  EXPECT_EQ(Heard(), Changes{kChangedSchemeList});

  EXPECT_TRUE(DeleteScheme(0));  // "Mechanical"
  EXPECT_EQ(settings.CurrentSchemeName, "");
  EXPECT_EQ(schemeList.Count(), 1);
  EXPECT_EQ(Heard(), Changes{kChangedSchemeList | kChangedCurrentScheme});

  EXPECT_FALSE(DeleteScheme(1));
  EXPECT_EQ(schemeList.Count(), 1);
  EXPECT_TRUE(Heard().empty());
}

TEST_F(Commands, TheCurrentSchemeIsFoundWithoutRegardToCaseByEveryCommand) {
  // A hand-edited config.cfg may name the current scheme in another case.
  settings.CurrentSchemeName = "MECHANICAL";
  const int mechanical = schemeList.FindScheme("Mechanical");
  ASSERT_GE(mechanical, 0);
  EXPECT_EQ(CurrentSchemeIndex(), mechanical);
  EXPECT_TRUE(DeleteScheme(mechanical));
  EXPECT_EQ(settings.CurrentSchemeName, "") << "no name is left current that matches nothing";
  EXPECT_EQ(Heard(), Changes{kChangedSchemeList | kChangedCurrentScheme});
  EXPECT_EQ(CurrentSchemeIndex(), -1);
}

TEST_F(Commands, SoundCommands) {
  ToggleMute();
  EXPECT_TRUE(settings.MuteSound);
  ToggleMute();
  EXPECT_FALSE(settings.MuteSound);
  EXPECT_EQ(Heard(), (Changes{kChangedMute, kChangedMute}));

  settings.GlobalVolume = 95;
  RaiseGlobalVolume();
  EXPECT_EQ(settings.GlobalVolume, 100);
  settings.GlobalVolume = 4;
  LowerGlobalVolume();
  EXPECT_EQ(settings.GlobalVolume, 0);
  SetGlobalVolume(37);
  EXPECT_EQ(settings.GlobalVolume, 37);
  EXPECT_EQ(Heard(), (Changes{kChangedVolume, kChangedVolume, kChangedVolume}));

  SetReverbPreset(4);
  EXPECT_EQ(settings.EaxEnv, 4);
  SetDevice(2, "{0.0.0.00000000}.{ab}", false, true);
  EXPECT_EQ(settings.DeviceID, 2);
  EXPECT_EQ(settings.DeviceEndpoint, "{0.0.0.00000000}.{ab}");
  EXPECT_FALSE(settings.Support3D);
  EXPECT_TRUE(settings.SupportEAX);
  EXPECT_EQ(Heard(), (Changes{kChangedReverb, kChangedDevice}));
}

OptionsPages PagesOf(const Settings& s) {
  OptionsPages pages;
  pages.startWithWindows = s.AutoRun;
  pages.animIcon = s.AnimIcon;
  pages.eaxLine = s.EaxEnv;
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    pages.hotkeys[i] = {s.*kHotkeyBindings[i].hotKey, s.*kHotkeyBindings[i].modifiers};
  }
  pages.volUpStep = s.VolUpValue;
  pages.volDownStep = s.VolDownValue;
  pages.mouseAction = s.MouseActionIndex;
  pages.quietFullScreen = s.QuietFullScreen;
  pages.quietMicrophone = s.QuietMicrophone;
  pages.quietPrograms = s.QuietPrograms;
  pages.variation = s.Variation;
  pages.keyPanning = s.KeyPanning;
  pages.overlapSounds = s.OverlapSounds;
  return pages;
}

TEST_F(Commands, ApplyOptionsTakesThePagesAndAnnouncesOnlyWhatChanged) {
  ApplyOptions(PagesOf(settings));
  EXPECT_TRUE(Heard().empty()) << "nothing changed";
  EXPECT_TRUE(runValueWrites_.empty()) << "the Run value is written only when the box differs";

  OptionsPages pages = PagesOf(settings);
  pages.hotkeys[kHotkeySound] = {49231, 3};
  pages.hotkeys[kHotkeyOptions] = {49235, 3};
  pages.eaxLine = -1;     // no line selected: the preset stays
  pages.mouseAction = -1;
  settings.EaxEnv = 5;
  settings.MouseActionIndex = 1;
  ApplyOptions(pages);
  EXPECT_EQ(settings.SoundHotKey, 49231);
  EXPECT_EQ(settings.OptionsHotKey, 49235);
  EXPECT_EQ(settings.EaxEnv, 5);
  EXPECT_EQ(settings.MouseActionIndex, 1);
  EXPECT_EQ(Heard(), Changes{kChangedHotkeys});

  pages = PagesOf(settings);
  pages.startWithWindows = true;
  pages.volUpStep = 25;
  pages.eaxLine = 7;
  ApplyOptions(pages);
  EXPECT_EQ(runValueWrites_, std::vector<bool>{true});
  EXPECT_TRUE(settings.AutoRun);
  EXPECT_EQ(settings.VolUpValue, 25);
  EXPECT_EQ(Heard(), Changes{kChangedReverb | kChangedOptions});
}

TEST_F(Commands, ARefusedRunValueIsLoggedAndTheRestIsStillApplied) {
  refuseRunValue_ = true;
  OptionsPages pages = PagesOf(settings);
  pages.startWithWindows = true;
  pages.animIcon = true;
  pages.volDownStep = 3;
  ApplyOptions(pages);
  EXPECT_FALSE(settings.AutoRun) << "AutoRun keeps saying what is true";
  EXPECT_TRUE(settings.AnimIcon);
  EXPECT_EQ(settings.VolDownValue, 3);
  EXPECT_EQ(log_, std::vector<std::string>{"Failed to set data for 'Brisolt'"});
  EXPECT_EQ(Heard(), Changes{kChangedOptions});
}

// The quiet page, the tray's "Quiet in <program>" and the watcher's reason
// each announce what they changed, and nothing when nothing changed.
TEST_F(Commands, QuietRulesAndTheQuietReasonAnnounceTheirChanges) {
  OptionsPages pages = PagesOf(settings);
  pages.quietFullScreen = true;
  pages.quietPrograms = " notepad.exe || GAME.exe|notepad.EXE ";
  ApplyOptions(pages);
  EXPECT_TRUE(settings.QuietFullScreen);
  EXPECT_EQ(settings.QuietPrograms, "notepad.exe|GAME.exe") << "kept tidy";
  EXPECT_EQ(Heard(), Changes{kChangedQuietRules});
  ApplyOptions(PagesOf(settings));
  EXPECT_TRUE(Heard().empty());

  ToggleQuietProgram("Notepad.exe");
  EXPECT_EQ(settings.QuietPrograms, "GAME.exe") << "taken out in any letter case";
  ToggleQuietProgram("calc.exe");
  EXPECT_EQ(settings.QuietPrograms, "GAME.exe|calc.exe");
  EXPECT_EQ(Heard(), (Changes{kChangedQuietRules, kChangedQuietRules}));
  ToggleQuietProgram("  ");
  EXPECT_TRUE(Heard().empty()) << "no name, no change";

  SetQuietReason("full screen");
  SetQuietReason("full screen");
  EXPECT_EQ(QuietReasonNow(), "full screen");
  EXPECT_FALSE(settings.MuteSound) << "a rule is not the user's mute";
  SetQuietReason("");
  EXPECT_EQ(Heard(), (Changes{kChangedQuiet, kChangedQuiet}));
}

TEST(CommandSubscriptions, InOrderAndNeverAfterUnsubscribing) {
  std::vector<std::string> calls;
  int second = 0;
  int first = Subscribe([&](ModelChanges) {
    calls.push_back("first");
    Unsubscribe(second);  // a window that closes while it is told
  });
  second = Subscribe([&](ModelChanges) { calls.push_back("second"); });
  int third = Subscribe([&](ModelChanges) { calls.push_back("third"); });
  AnnounceModelChange(kChangedMute);
  AnnounceModelChange(0);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "third"}));
  Unsubscribe(first);
  Unsubscribe(third);
  AnnounceModelChange(kChangedMute);
  EXPECT_EQ(calls.size(), 2u);
}

}  // namespace

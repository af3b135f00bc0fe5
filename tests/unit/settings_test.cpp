#include "settings/option_keys.h"

#include <gtest/gtest.h>

#include "settings/autorun.h"
#include "settings/settings.h"
#include "tests/unit/fake_ini.h"

// The defaults as written to a new config.cfg: tests/win/config_files_test.cpp.

TEST(SettingsFile, AutoRunDefaultsToTheRunValueAndTheFileWins) {
  FakeIni empty;
  Settings s;
  ReadSettings(empty, true, false, s);
  EXPECT_TRUE(s.AutoRun);

  FakeIni off;
  off.Set("Options", "AutoRun", "0");
  ReadSettings(off, true, false, s);
  EXPECT_FALSE(s.AutoRun);
}

TEST(SettingsFile, HandWrittenValues) {
  FakeIni ini;
  ini.Set("options", "globalvolume", "0x3C");      // any letter case, hexadecimal
  ini.Set("Options", "OptionsHotKey", "70000");    // above 65535: low 16 bits
  ini.Set("Options", "CurrentSchem", "");          // present and empty: no active scheme
  ini.Set("Options", "VolUpValue", "ten");         // letters: the default
  ini.Set("Options", "MuteSound", "5");            // any non-zero is true
  Settings s;
  ReadSettings(ini, false, false, s);
  EXPECT_EQ(s.GlobalVolume, 60);
  EXPECT_EQ(s.OptionsHotKey, 70000 - 65536);
  EXPECT_EQ(s.CurrentSchemeName, "");
  EXPECT_EQ(s.VolUpValue, 10);
  EXPECT_TRUE(s.MuteSound);
}

TEST(SettingsFile, FirstStartKeepsTheDeviceThatWasJustChosen) {
  FakeIni ini;
  ini.Set("Options", "DeviceID", "5");
  ini.Set("Options", "Support3D", "0");
  ini.Set("Options", "SupportEAX", "0");
  ini.Set("Options", "GlobalVolume", "30");
  Settings s;
  s.DeviceID = 2;
  s.Support3D = true;
  s.SupportEAX = true;
  ReadSettings(ini, false, true, s);
  EXPECT_EQ(s.DeviceID, 2);
  EXPECT_TRUE(s.Support3D);
  EXPECT_TRUE(s.SupportEAX);
  EXPECT_EQ(s.GlobalVolume, 30);

  ReadSettings(ini, false, false, s);
  EXPECT_EQ(s.DeviceID, 5);
  EXPECT_FALSE(s.Support3D);
  EXPECT_FALSE(s.SupportEAX);
}

// The order of the keys in the file: tests/win/config_files_test.cpp.
TEST(SettingsFile, WritesEveryKeyBesideOtherSectionsAndReadsItBack) {
  Settings s;
  s.AutoRun = true;
  s.CurrentSchemeName = "Soft Laptop";
  s.AnimIcon = false;
  s.GlobalVolume = 35;
  s.OptionsHotKey = 1234;
  s.PrevSchemeHotKeyModifiers = 6;
  s.MouseActionIndex = 1;
  s.DeviceID = -1;
  s.Support3D = true;
  s.EaxEnv = 26;
  s.VolUpValue = 99;
  s.VolDownValue = 1;
  s.FormSchemeHeight = 555;

  FakeIni ini;
  ini.Set("Options", "GlobalVolume", "10");  // replaced in place
  ini.Set("Other", "Keep", "me");
  WriteSettings(s, ini);

  EXPECT_EQ(ini.ReadString("Other", "Keep", ""), "me");
  EXPECT_EQ(ini.sections[0].pairs[0].first, "GlobalVolume");

  Settings back;
  ReadSettings(ini, false, false, back);
  EXPECT_EQ(back, s);
}

namespace {

// A value for every member that differs from the member's initial value, so a
// member no key reaches stays visibly behind; numbers also differ from each
// other, so two keys swapping their members show.
Settings EveryMemberSet() {
  return Settings{
      .AutoRun = true,
      .CurrentSchemeName = "Soft Laptop",
      .AnimIcon = true,
      .GlobalVolume = 35,
      .OptionsHotKey = 40001,  // above 32767: must not come back negative
      .OptionsModifiers = 1,
      .SoundHotKey = 40002,
      .SoundModifiers = 2,
      .VolumeUpHotKey = 40003,
      .VolumeUpHotKeyModifiers = 4,
      .VolumeDownHotKey = 40004,
      .VolumeDownHotKeyModifiers = 5,
      .NextSchemeHotKey = 40005,
      .NextSchemeHotKeyModifiers = 6,
      .PrevSchemeHotKey = 40006,
      .PrevSchemeHotKeyModifiers = 8,
      .MouseActionIndex = 1,
      .DeviceID = -1,
      .Support3D = true,
      .SupportEAX = true,
      .MuteSound = true,
      .EaxEnv = 26,
      .VolUpValue = 99,
      .VolDownValue = 2,
      .FormSchemeHeight = 70000,  // above 16 bits: read whole
      .DeviceEndpoint = "{0.0.0.00000000}.{5e1d0a2c}",
      .QuietFullScreen = true,
      .QuietPrograms = "notepad.exe|Game.exe",
      .QuietMicrophone = true,
      .Variation = 7,
      .KeyPanning = true,
      .OverlapSounds = true,
  };
}

}  // namespace

TEST(SettingsFile, EachKeyFillsItsOwnMember) {
  FakeIni ini;
  const IniPairs file = {
      {"AutoRun", "1"}, {"CurrentSchem", "Soft Laptop"}, {"AnimIcon", "1"}, {"GlobalVolume", "35"},
      {"OptionsHotKey", "40001"}, {"OptionsModifiers", "1"},
      {"SoundHotKey", "40002"}, {"SoundModifiers", "2"},
      {"VolumeUpHotKey", "40003"}, {"VolumeUpHotKeyModifiers", "4"},
      {"VolumeDownHotKey", "40004"}, {"VolumeDownHotKeyModifiers", "5"},
      {"NextSchemeHotKey", "40005"}, {"NextSchemeHotKeyModifiers", "6"},
      {"PrevSchemeHotKey", "40006"}, {"PrevSchemeHotKeyModifiers", "8"},
      {"MouseActionIndex", "1"}, {"DeviceID", "-1"}, {"Support3D", "1"}, {"SupportEAX", "1"},
      {"MuteSound", "1"}, {"EaxEnv", "26"}, {"VolUpValue", "99"}, {"VolDownValue", "2"},
      {"FormSchemeHeight", "70000"}, {"DeviceEndpoint", "{0.0.0.00000000}.{5e1d0a2c}"},
      {"QuietFullScreen", "1"}, {"QuietPrograms", "notepad.exe|Game.exe"}, {"QuietMicrophone", "1"},
      {"Variation", "7"}, {"KeyPanning", "1"}, {"OverlapSounds", "1"},
  };
  for (const auto& [key, value] : file) ini.Set("Options", key, value);
  Settings s;
  ReadSettings(ini, false, false, s);
  EXPECT_EQ(s, EveryMemberSet());
}

// A member missing from the keys, or two keys on one member, loses a value here.
TEST(SettingsFile, EveryMemberSurvivesARoundTrip) {
  const Settings s = EveryMemberSet();
  FakeIni ini;
  WriteSettings(s, ini);
  ASSERT_EQ(ini.sections.size(), 1u);
  EXPECT_EQ(ini.sections[0].pairs.size(), ini.writeLog.size()) << "no two keys share a name";
  EXPECT_EQ(ini.ReadString("Options", "OptionsHotKey", ""), "40001");
  EXPECT_EQ(ini.ReadString("Options", "DeviceID", ""), "-1");
  EXPECT_EQ(ini.ReadString("Options", "MuteSound", ""), "1");
  EXPECT_EQ(ini.ReadString("Options", "CurrentSchem", ""), "Soft Laptop");

  Settings back;
  ReadSettings(ini, false, false, back);
  EXPECT_EQ(back, s);
}

TEST(RunValue, QuotesAPathWithSpaces) {
  EXPECT_EQ(RunValueFor("C:\\Tools\\Brisolt.exe"), "C:\\Tools\\Brisolt.exe");
  EXPECT_EQ(RunValueFor("C:\\Program Files\\Brisolt\\Brisolt.exe"),
            "\"C:\\Program Files\\Brisolt\\Brisolt.exe\"");
}

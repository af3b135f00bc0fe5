#include "settings/settings.h"

#include <gtest/gtest.h>

#include "settings/autorun.h"
#include "tests/options_write_order.h"
#include "tests/unit/fake_ini.h"

TEST(SettingsFile, EmptyFileGivesTheDefaults) {
  FakeIni ini;
  Settings s;
  ReadSettings(ini, false, false, s);
  EXPECT_FALSE(s.AutoRun);
  EXPECT_EQ(s.CurrentSchemeName, "TypeWriter");
  EXPECT_TRUE(s.AnimIcon);
  EXPECT_EQ(s.GlobalVolume, 60);
  EXPECT_EQ(s.OptionsHotKey, 49231);
  EXPECT_EQ(s.OptionsModifiers, 3);
  EXPECT_EQ(s.SoundHotKey, 49235);
  EXPECT_EQ(s.SoundModifiers, 3);
  EXPECT_EQ(s.VolumeUpHotKey, 49225);
  EXPECT_EQ(s.VolumeUpHotKeyModifiers, 3);
  EXPECT_EQ(s.VolumeDownHotKey, 49234);
  EXPECT_EQ(s.VolumeDownHotKeyModifiers, 3);
  EXPECT_EQ(s.NextSchemeHotKey, 57422);
  EXPECT_EQ(s.NextSchemeHotKeyModifiers, 7);
  EXPECT_EQ(s.PrevSchemeHotKey, 57424);
  EXPECT_EQ(s.PrevSchemeHotKeyModifiers, 7);
  EXPECT_EQ(s.MouseActionIndex, 0);
  EXPECT_EQ(s.DeviceID, 0);
  EXPECT_TRUE(s.Support3D);
  EXPECT_TRUE(s.SupportEAX);
  EXPECT_FALSE(s.MuteSound);
  EXPECT_EQ(s.EaxEnv, 0);
  EXPECT_EQ(s.VolUpValue, 10);
  EXPECT_EQ(s.VolDownValue, 10);
  EXPECT_EQ(s.FormSchemeHeight, 400);
}

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

TEST(SettingsFile, WritesEveryKeyInOrderAndReadsItBack) {
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

  const std::vector<std::string>& order = kOptionsWriteOrder;
  ASSERT_EQ(ini.writeLog.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(ini.writeLog[i], "Options/" + order[i]);
  EXPECT_EQ(ini.ReadString("Other", "Keep", ""), "me");
  EXPECT_EQ(ini.sections[0].pairs[0].first, "GlobalVolume");

  Settings back;
  ReadSettings(ini, false, false, back);
  EXPECT_EQ(back, s);
}

TEST(RunValue, QuotesAPathWithSpaces) {
  EXPECT_EQ(RunValueFor("C:\\Tools\\Brisolt.exe"), "C:\\Tools\\Brisolt.exe");
  EXPECT_EQ(RunValueFor("C:\\Program Files\\Brisolt\\Brisolt.exe"),
            "\"C:\\Program Files\\Brisolt\\Brisolt.exe\"");
}

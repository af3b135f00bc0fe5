// config.cfg and schemes.cfg through the real profile API.

#include "settings/config_files.h"

#include <gtest/gtest.h>

#include "app/log.h"
#include "app/program_folder.h"
#include "base/wide_text.h"
#include "settings/profile_ini_win.h"
#include "settings/settings.h"
#include "tests/win_test_util.h"

using testutil::ReadFileText;
using testutil::SectionNames;
using testutil::TempFolder;
using testutil::WriteFileText;

namespace {

void ResetState() {
  settings = Settings{};
  schemeList.Clear();
}

}  // namespace

TEST(ConfigFiles, HandWrittenConfigIsReadAndItsForeignPartsSurvive) {
  ResetState();
  TempFolder dir;
  WriteFileText(dir / "config.cfg",
                "; written by hand\r\n"
                "[Options]\r\n"
                "GlobalVolume = 0x3C\r\n"
                "CurrentSchem=Soft Laptop\r\n"
                "OptionsHotKey=70000\r\n"
                "muteSOUND=1\r\n"
                "Unknown=keep me\r\n"
                "DeviceID=3\r\n"
                "\r\n"
                "[Elsewhere]\r\n"
                "Key=Value\r\n");
  LoadConfigurationFrom(dir.Path(), false);
  EXPECT_EQ(settings.GlobalVolume, 60);
  EXPECT_EQ(settings.CurrentSchemeName, "Soft Laptop");
  EXPECT_EQ(settings.OptionsHotKey, 70000 & 0xFFFF);
  EXPECT_TRUE(settings.MuteSound);
  EXPECT_EQ(settings.DeviceID, 3);
  EXPECT_EQ(settings.VolUpValue, 10);

  settings.GlobalVolume = 45;
  ASSERT_TRUE(SaveConfigurationTo(dir.Path()));
  std::string text = ReadFileText(dir / "config.cfg");
  EXPECT_NE(text.find("Unknown=keep me"), std::string::npos) << text;
  EXPECT_NE(text.find("[Elsewhere]"), std::string::npos) << text;
  EXPECT_NE(text.find("Key=Value"), std::string::npos) << text;
  EXPECT_NE(text.find("; written by hand"), std::string::npos) << text;
  EXPECT_FALSE(testutil::FileExists(dir / "config.cfg.new"));

  ResetState();
  LoadConfigurationFrom(dir.Path(), false);
  EXPECT_EQ(settings.GlobalVolume, 45);
  EXPECT_EQ(settings.CurrentSchemeName, "Soft Laptop");
}

// Stored files and the users who read or merge them rely on the order of the
// keys and the form of each value: a new config.cfg is exactly this.
TEST(ConfigFiles, ANewConfigHoldsEveryDefaultInItsPlace) {
  ResetState();
  TempFolder dir;
  LoadConfigurationFrom(dir.Path(), false);  // no files: all defaults, nothing created
  EXPECT_FALSE(testutil::FileExists(dir / "config.cfg"));
  EXPECT_EQ(schemeList.Count(), 0);

  ASSERT_TRUE(SaveConfigurationTo(dir.Path()));
  EXPECT_EQ(ReadFileText(dir / "config.cfg"),
            "[Options]\r\n"
            "AutoRun=0\r\nAnimIcon=1\r\nCurrentSchem=TypeWriter\r\nGlobalVolume=60\r\nDeviceID=0\r\n"
            "Support3D=1\r\nSupportEAX=1\r\nMuteSound=0\r\nEaxEnv=0\r\nVolUpValue=10\r\nVolDownValue=10\r\n"
            "FormSchemeHeight=400\r\n"
            // Ctrl+Alt+O, Ctrl+Alt+S, Ctrl+Alt+I, Ctrl+Alt+R, Ctrl+Alt+Shift+N and Ctrl+Alt+Shift+P
            "OptionsHotKey=49231\r\nOptionsModifiers=3\r\nSoundHotKey=49235\r\nSoundModifiers=3\r\n"
            "VolumeUpHotKey=49225\r\nVolumeUpHotKeyModifiers=3\r\nVolumeDownHotKey=49234\r\n"
            "VolumeDownHotKeyModifiers=3\r\nNextSchemeHotKey=57422\r\nNextSchemeHotKeyModifiers=7\r\n"
            "PrevSchemeHotKey=57424\r\nPrevSchemeHotKeyModifiers=7\r\n"
            "MouseActionIndex=0\r\n"
            "DeviceEndpoint=\r\n"  // a file without the key: the device by its number alone
            "QuietFullScreen=0\r\nQuietPrograms=\r\nQuietMicrophone=0\r\n"
            "Variation=0\r\nKeyPanning=0\r\nOverlapSounds=0\r\n");
}

TEST(ConfigFiles, SchemesRoundTripThroughTheFile) {
  ResetState();
  TempFolder dir;
  WriteFileText(dir / "schemes.cfg",
                "[TypeWriter]\r\n"
                "kEscape = Schemes\\TypeWriter\\esc.wav\r\n"
                "ekEscape=0\r\n"
                "kEscapeVol=0x10\r\n"
                "kPageUpVol=77\r\n"
                "KeyboardEnabled=0\r\n"
                "[Empty]\r\n"
                "[Soft]\r\n"
                "kSpace=C:\\Sounds\\space.wav\r\n");
  LoadConfigurationFrom(dir.Path(), false);
  ASSERT_EQ(schemeList.Count(), 3);
  EXPECT_EQ(schemeList.Name(0), "TypeWriter");
  EXPECT_EQ(schemeList.Name(1), "Empty");
  EXPECT_EQ(schemeList.Name(2), "Soft");
  const TScheme& tw = schemeList.Scheme(0);
  EXPECT_EQ(tw.Key(KeyCategory::Escape).FileName, "Schemes\\TypeWriter\\esc.wav");
  EXPECT_FALSE(tw.Key(KeyCategory::Escape).Enabled);
  EXPECT_EQ(tw.Key(KeyCategory::Escape).Volume, 16);
  EXPECT_EQ(tw.Key(KeyCategory::PageUp).Volume, 77);
  EXPECT_FALSE(tw.KeyboardEnabled);
  EXPECT_TRUE(tw.MouseEnabled);
  const TScheme& empty = schemeList.Scheme(1);
  EXPECT_TRUE(empty.Key(KeyCategory::RightButton).Enabled);
  EXPECT_EQ(empty.Key(KeyCategory::RightButton).Volume, 5);

  schemeList.Delete(1);
  TScheme added = schemeList.Scheme(0);
  added.Key(KeyCategory::PageUp).Volume = 33;
  schemeList.Append("Added", added);
  SchemeList before = schemeList;

  ASSERT_TRUE(SaveConfigurationTo(dir.Path()));
  EXPECT_EQ(schemeList.Count(), 0);  // released by the save
  std::string text = ReadFileText(dir / "schemes.cfg");
  EXPECT_EQ(SectionNames(text), (std::vector<std::string>{"TypeWriter", "Soft", "Added"}));
  // Users compare and merge these files by hand: each category as file,
  // switch and volume, in the order of the keyboard, then the two switches.
  const std::string soft =
      "[Soft]\r\n"
      "kEscape=\r\nekEscape=1\r\nkEscapeVol=5\r\n"
      "kFunctions=\r\nekFunctions=1\r\nkFunctionsVol=5\r\n"
      "kDigits=\r\nekDigits=1\r\nkDigitsVol=5\r\n"
      "kOther=\r\nekOther=1\r\nkOtherVol=5\r\n"
      "kTab=\r\nekTab=1\r\nkTabVol=5\r\n"
      "kCapsLock=\r\nekCapsLock=1\r\nkCapsLockVol=5\r\n"
      "kShift=\r\nekShift=1\r\nkShiftVol=5\r\n"
      "kCtrl=\r\nekCtrl=1\r\nkCtrlVol=5\r\n"
      "kWin=\r\nekWin=1\r\nkWinVol=5\r\n"
      "kAlt=\r\nekAlt=1\r\nkAltVol=5\r\n"
      "kSpace=C:\\Sounds\\space.wav\r\nekSpace=1\r\nkSpaceVol=5\r\n"
      "kMenu=\r\nekMenu=1\r\nkMenuVol=5\r\n"
      "kEnter=\r\nekEnter=1\r\nkEnterVol=5\r\n"
      "kBackSpace=\r\nekBackSpace=1\r\nkBackSpaceVol=5\r\n"
      "kPrintScreen=\r\nekPrintScreen=1\r\nkPrintScreenVol=5\r\n"
      "kScrollLock=\r\nekScrollLock=1\r\nkScrollLockVol=5\r\n"
      "kPause=\r\nekPause=1\r\nkPauseVol=5\r\n"
      "kInsert=\r\nekInsert=1\r\nkInsertVol=5\r\n"
      "kDelete=\r\nekDelete=1\r\nkDeleteVol=5\r\n"
      "kHome=\r\nekHome=1\r\nkHomeVol=5\r\n"
      "kEnd=\r\nekEnd=1\r\nkEndVol=5\r\n"
      "kPageUp=\r\nekPageUp=1\r\nkPageUpVol=5\r\n"
      "kPageDown=\r\nekPageDown=1\r\nkPageDownVol=5\r\n"
      "kNumLock=\r\nekNumLock=1\r\nkNumLockVol=5\r\n"
      "kLeftButton=\r\nekLeftButton=1\r\nkLeftButtonVol=5\r\n"
      "kRightButton=\r\nekRightButton=1\r\nkRightButtonVol=5\r\n"
      "MouseEnabled=1\r\nKeyboardEnabled=1\r\n";
  EXPECT_NE(text.find(soft + "[Added]\r\n"), std::string::npos) << text;

  LoadConfigurationFrom(dir.Path(), false);
  ASSERT_EQ(schemeList.Count(), before.Count());
  for (int i = 0; i < before.Count(); ++i) {
    EXPECT_EQ(schemeList.Name(i), before.Name(i));
    EXPECT_EQ(schemeList.Scheme(i), before.Scheme(i)) << before.Name(i);
  }
}

TEST(ConfigFiles, LongSectionListsAndValuesAreReadWhole) {
  ResetState();
  TempFolder dir;
  // About 24 KB of section names, past the classic 16 KB buffer, and a file
  // name past the classic 2047 characters.
  std::string text;
  const int schemes = 80;
  for (int i = 0; i < schemes; ++i) {
    text += "[Scheme number " + std::to_string(i) + " " + std::string(280, 'x') + "]\r\nkTabVol=" +
            std::to_string(i % 100) + "\r\n";
  }
  std::string longName = "C:\\" + std::string(3000, 'a') + "\\tab.wav";
  text += "[Long]\r\nkTab=" + longName + "\r\n";
  WriteFileText(dir / "schemes.cfg", text);

  LoadConfigurationFrom(dir.Path(), false);
  ASSERT_EQ(schemeList.Count(), schemes + 1);
  EXPECT_EQ(schemeList.Scheme(schemes - 1).Key(KeyCategory::Tab).Volume, (schemes - 1) % 100);
  EXPECT_EQ(schemeList.Scheme(schemes).Key(KeyCategory::Tab).FileName, longName);
}

TEST(ConfigFiles, FailedSchemeSaveKeepsTheOldStoreAndStillWritesTheSettings) {
  ResetState();
  TempFolder dir;
  const std::string original = "[Keep]\r\nkTab=tab.wav\r\n";
  WriteFileText(dir / "schemes.cfg", original);
  LoadConfigurationFrom(dir.Path(), false);
  settings.GlobalVolume = 20;
  // A folder where the temporary file must go makes the save fail.
  ASSERT_TRUE(CreateDirectoryA((dir / "schemes.cfg.new").c_str(), nullptr));

  std::string log = ProgramFolder() + "\\Log.txt";
  size_t logBefore = ReadFileText(log).size();
  EXPECT_FALSE(SaveConfigurationTo(dir.Path()));
  EXPECT_EQ(ReadFileText(dir / "schemes.cfg"), original);
  EXPECT_NE(ReadFileText(dir / "config.cfg").find("GlobalVolume=20"), std::string::npos);
  EXPECT_NE(ReadFileText(log).substr(logBefore).find("Unable to write to " + (dir / "schemes.cfg")),
            std::string::npos);
}

TEST(ConfigFiles, ReadOnlyConfigIsReportedNotLost) {
  ResetState();
  TempFolder dir;
  const std::string original = "[Options]\r\nGlobalVolume=30\r\n";
  WriteFileText(dir / "config.cfg", original);
  // Held open without sharing by another program: it cannot be replaced.
  HANDLE lock = CreateFileA((dir / "config.cfg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  schemeList.Append("Saved anyway", TScheme{});
  EXPECT_FALSE(SaveConfigurationTo(dir.Path()));
  CloseHandle(lock);
  EXPECT_EQ(ReadFileText(dir / "config.cfg"), original);
  EXPECT_EQ(SectionNames(ReadFileText(dir / "schemes.cfg")), std::vector<std::string>{"Saved anyway"});
}

// The files stay in the ANSI code page, byte for byte what earlier versions
// read, until a name needs more; then the file becomes UTF-16 (keys the
// program does not know survive the change), and a UTF-16 file stays so.
TEST(ConfigFiles, NamesOutsideTheAnsiCodePageTurnAFileIntoUtf16) {
  const std::string name = "\xD0\x9A\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB8\xD1\x88\xD0\xB8 \xE9\x94\xAE";  // Клавиши 键
  const std::string sound = "C:\\\xD0\x97\xD0\xB2\xD1\x83\xD0\xBA\xD0\xB8\\a.wav";              // C:\Звуки\a.wav
  if (FitsAnsiCodePage(Wide(name))) GTEST_SKIP() << "the ANSI code page " << GetACP() << " holds these names";
  ResetState();
  TempFolder dir;
  WriteFileText(dir / "config.cfg", "[Options]\r\nUnknown=keep me\r\n");
  schemeList.Append("Plain", TScheme{});
  SaveFilesTo(dir.Path());
  EXPECT_FALSE(testutil::IsUtf16File(ReadFileText(dir / "schemes.cfg")));
  EXPECT_FALSE(testutil::IsUtf16File(ReadFileText(dir / "config.cfg")));

  TScheme other;
  other.Key(KeyCategory::Space).FileName = sound;
  schemeList.Append(name, other);
  settings.CurrentSchemeName = name;
  ASSERT_TRUE(SaveFilesTo(dir.Path()).empty());
  std::string schemes = ReadFileText(dir / "schemes.cfg");
  std::string config = ReadFileText(dir / "config.cfg");
  ASSERT_TRUE(testutil::IsUtf16File(schemes));
  ASSERT_TRUE(testutil::IsUtf16File(config));
  EXPECT_EQ(SectionNames(testutil::TextOfUtf16File(schemes)), (std::vector<std::string>{"Plain", name}));
  EXPECT_NE(testutil::TextOfUtf16File(config).find("Unknown=keep me"), std::string::npos);

  ResetState();
  LoadConfigurationFrom(dir.Path(), false);
  ASSERT_EQ(schemeList.Count(), 2);
  EXPECT_EQ(schemeList.Name(1), name);
  EXPECT_EQ(schemeList.Scheme(1).Key(KeyCategory::Space).FileName, sound);
  EXPECT_EQ(settings.CurrentSchemeName, name);

  // With only plain names left, the schemes are still written as UTF-16.
  schemeList.Delete(1);
  ASSERT_TRUE(SaveFilesTo(dir.Path()).empty());
  schemes = ReadFileText(dir / "schemes.cfg");
  ASSERT_TRUE(testutil::IsUtf16File(schemes));
  EXPECT_EQ(SectionNames(testutil::TextOfUtf16File(schemes)), std::vector<std::string>{"Plain"});
}

// config.cfg and schemes.cfg through the real profile API.

#include "settings/config_files.h"

#include <gtest/gtest.h>

#include "app/log.h"
#include "app/program_folder.h"
#include "base/wide_text.h"
#include "settings/profile_ini_win.h"
#include "settings/settings.h"
#include "tests/options_write_order.h"
#include "tests/win_test_util.h"

using testutil::ReadFileText;
using testutil::SectionKeys;
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

TEST(ConfigFiles, NewConfigHasEveryKeyInWriteOrder) {
  ResetState();
  TempFolder dir;
  LoadConfigurationFrom(dir.Path(), false);  // no files: all defaults, nothing created
  EXPECT_FALSE(testutil::FileExists(dir / "config.cfg"));
  EXPECT_EQ(settings.CurrentSchemeName, "TypeWriter");
  EXPECT_EQ(schemeList.Count(), 0);

  ASSERT_TRUE(SaveConfigurationTo(dir.Path()));
  std::string text = ReadFileText(dir / "config.cfg");
  EXPECT_EQ(SectionNames(text), std::vector<std::string>{"Options"});
  EXPECT_EQ(SectionKeys(text, "Options"), kOptionsWriteOrder) << text;
  EXPECT_NE(text.find("CurrentSchem=TypeWriter"), std::string::npos);
  EXPECT_NE(text.find("OptionsHotKey=49231"), std::string::npos);
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
  std::vector<std::string> keys = SectionKeys(text, "Soft");
  ASSERT_EQ(keys.size(), 80u);
  EXPECT_EQ(keys[0], "kEscape");
  EXPECT_EQ(keys[65], "kPageUpVol");
  EXPECT_EQ(keys[79], "KeyboardEnabled");

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

#include "settings/scheme.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "settings/key_table.h"
#include "settings/scheme_store.h"
#include "settings/sound_reference.h"
#include "tests/unit/fake_ini.h"

namespace {

TScheme MakeScheme(int seed) {
  TScheme scheme;
  for (int i = 0; i < kKeyCategoryCount; ++i) {
    scheme.Keys[i].Enabled = (i + seed) % 3 != 0;
    scheme.Keys[i].FileName = "Schemes\\S" + std::to_string(seed) + "\\" + std::to_string(i) + ".wav";
    scheme.Keys[i].Volume = (i * 7 + seed) % 101;
  }
  scheme.MouseEnabled = seed % 2 == 0;
  scheme.KeyboardEnabled = seed % 2 == 1;
  return scheme;
}

}  // namespace

TEST(SchemeStore, SectionWithoutKeysLoadsAsAllEnabledAtVolumeFive) {
  FakeIni ini;
  ini.sections.push_back({"Bare", {}});
  SchemeList list;
  LoadSchemes(ini, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Name(0), "Bare");
  const TScheme& s = list.Scheme(0);
  for (const TSoundKey& key : s.Keys) {
    EXPECT_TRUE(key.Enabled);
    EXPECT_EQ(key.FileName, "");
    EXPECT_EQ(key.Volume, 5);
  }
  EXPECT_TRUE(s.MouseEnabled);
  EXPECT_TRUE(s.KeyboardEnabled);
}

TEST(SchemeStore, HandWrittenValues) {
  FakeIni ini;
  ini.Set("Hand", "kEscapeVol", "0x10");
  ini.Set("Hand", "kTabVol", "loud");
  ini.Set("Hand", "ekTab", "2");
  ini.Set("Hand", "ekSpace", "");
  ini.Set("Hand", "ekEnter", "x");
  ini.Set("Hand", "ekDelete", "0");
  ini.Set("Hand", "MouseEnabled", "0");
  SchemeList list;
  LoadSchemes(ini, list);
  const TScheme& s = list.Scheme(0);
  EXPECT_EQ(s.Key(KeyCategory::Escape).Volume, 16);
  EXPECT_EQ(s.Key(KeyCategory::Tab).Volume, 5);
  EXPECT_TRUE(s.Key(KeyCategory::Tab).Enabled);
  EXPECT_TRUE(s.Key(KeyCategory::Space).Enabled);
  EXPECT_TRUE(s.Key(KeyCategory::Enter).Enabled);
  EXPECT_FALSE(s.Key(KeyCategory::Delete).Enabled);
  EXPECT_FALSE(s.MouseEnabled);
  EXPECT_TRUE(s.KeyboardEnabled);
}

TEST(SchemeStore, RoundTripKeepsEveryFieldAndTheOrder) {
  SchemeList list;
  list.Append("TypeWriter", MakeScheme(1));
  list.Append("Mechanical", MakeScheme(2));
  list.Append("Laptop", MakeScheme(3));
  list.Scheme(1).Key(KeyCategory::PageUp).Volume = 77;  // written "kPageUpVol", read "KPageUpVol"
  list.Scheme(2).Key(KeyCategory::Escape).Volume = 250;  // not clamped by the store
  list.Delete(0);
  list.Append("Added", MakeScheme(4));

  FakeIni ini;
  SaveSchemes(list, ini);
  ASSERT_EQ(ini.sections.size(), 3u);
  // The keys of a section in the file: tests/win/config_files_test.cpp.
  EXPECT_EQ(ini.ReadString("Laptop", "kEscapeVol", ""), "250");

  SchemeList back;
  LoadSchemes(ini, back);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Name(0), "Mechanical");
  EXPECT_EQ(back.Name(1), "Laptop");
  EXPECT_EQ(back.Name(2), "Added");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(back.Scheme(i), list.Scheme(i)) << back.Name(i);
  EXPECT_EQ(back.Scheme(0).Key(KeyCategory::PageUp).Volume, 77);
}

TEST(SchemeStore, EveryCategoryReadsItsOwnKeys) {
  FakeIni ini;
  for (int i = 0; i < kKeyCategoryCount; ++i) {
    const std::string name(kKeyCategoryNames[i]);
    ini.Set("Hand", "k" + name, name + ".wav");
    ini.Set("Hand", "ek" + name, i % 2 == 0 ? "0" : "1");
    // Hand-edited files may spell a key in any case.
    ini.Set("Hand", name == "PageUp" ? "KPAGEUPVOL" : "k" + name + "Vol", std::to_string(i * 3));
  }
  ini.Set("Hand", "KeyboardEnabled", "0");
  SchemeList list;
  LoadSchemes(ini, list);
  const TScheme& s = list.Scheme(0);
  for (int i = 0; i < kKeyCategoryCount; ++i) {
    EXPECT_EQ(s.Keys[i].FileName, std::string(kKeyCategoryNames[i]) + ".wav") << i;
    EXPECT_EQ(s.Keys[i].Enabled, i % 2 != 0) << i;
    EXPECT_EQ(s.Keys[i].Volume, i * 3) << i;
  }
  EXPECT_TRUE(s.MouseEnabled);
  EXPECT_FALSE(s.KeyboardEnabled);
}

TEST(SchemeList, FindSchemeIgnoresCaseAndReturnsTheFirst) {
  SchemeList list;
  list.Append("Alpha", TScheme{});
  list.Append("TypeWriter", TScheme{});
  list.Append("typewriter", TScheme{});
  EXPECT_EQ(list.FindScheme("TYPEWRITER"), 1);
  EXPECT_EQ(list.FindScheme("typewriter"), 1);
  EXPECT_EQ(list.FindScheme("alpha"), 0);
  EXPECT_EQ(list.FindScheme("TypeWrite"), -1);
  EXPECT_EQ(list.FindScheme(""), -1);
  list.Delete(1);
  EXPECT_EQ(list.FindScheme("TypeWriter"), 1);
}

TEST(SchemeList, ReplaceAndBadIndices) {
  SchemeList list;
  list.Append("One", MakeScheme(1));
  list.Replace(0, "Uno", MakeScheme(2));
  EXPECT_EQ(list.Name(0), "Uno");
  EXPECT_EQ(list.Scheme(0), MakeScheme(2));
  // A lookup of a name that is not there must become a readable error, not a crash.
  EXPECT_THROW(list.Scheme(list.FindScheme("Missing")), std::out_of_range);
  EXPECT_THROW(list.Delete(1), std::out_of_range);
  EXPECT_THROW(list.Replace(-1, "x", TScheme{}), std::out_of_range);
  try {
    list.Name(-1);
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Scheme list index out of bounds (-1)");
  }
}

// Release sounds come after the keys every scheme has, in category order, and only where
// there is one: a scheme without them is written exactly as before.
TEST(SchemeStore, ReleaseSoundsFollowTheEightyKeysOnlyWhereTheyExist) {
  TScheme scheme = MakeScheme(6);
  const IniPairs withoutRelease = SchemeKeyValues(scheme);
  scheme.Key(KeyCategory::RightButton).ReleaseFileName = "Schemes\\S6\\RightUp.wav";
  scheme.Key(KeyCategory::Escape).ReleaseFileName = "C:\\Sounds\\escape up.wav";
  IniPairs pairs = SchemeKeyValues(scheme);
  const size_t keys = withoutRelease.size();
  ASSERT_EQ(pairs.size(), keys + 2);
  EXPECT_EQ(IniPairs(pairs.begin(), pairs.begin() + static_cast<std::ptrdiff_t>(keys)), withoutRelease);
  EXPECT_EQ(pairs[keys], (std::pair<std::string, std::string>{"kEscapeRelease", "C:\\Sounds\\escape up.wav"}));
  EXPECT_EQ(pairs[keys + 1], (std::pair<std::string, std::string>{"kRightButtonRelease", "Schemes\\S6\\RightUp.wav"}));

  FakeIni ini;
  SchemeList list;
  list.Append("Up", scheme);
  SaveSchemes(list, ini);
  ini.Set("Hand", "KOTHERRELEASE", "other up.wav");  // any letter case
  SchemeList back;
  LoadSchemes(ini, back);
  EXPECT_EQ(back.Scheme(0), scheme);
  EXPECT_EQ(back.Scheme(1).Key(KeyCategory::Other).ReleaseFileName, "other up.wav");
  EXPECT_EQ(back.Scheme(1).Key(KeyCategory::Space).ReleaseFileName, "");
}

// Keys with sounds of their own come after everything else, in the key
// table's order, only where the scheme gives them; a scheme without them is
// written exactly as before. Absent means the category's sound, empty means
// silent, and both survive a round trip, as does hand-written text in any
// letter case.
TEST(SchemeStore, SoundsOfSingleKeysFollowEverythingElseOnlyWhereTheyExist) {
  TScheme scheme = MakeScheme(7);
  scheme.Key(KeyCategory::Escape).ReleaseFileName = "esc up.wav";
  const IniPairs before = SchemeKeyValues(scheme);
  const int f1 = FindKeyByName("F1"), enter = FindKeyByName("NumpadEnter"), a = FindKeyByName("A");
  ASSERT_GE(f1, 0);
  ASSERT_GE(enter, 0);
  ASSERT_GE(a, 0);
  scheme.OwnKeys[enter] = TKeyOwnSound{"Schemes\\Pack\\sprite.ogg<1200,85>", "Schemes\\Pack\\sprite.ogg<1300,40>", 80};
  scheme.OwnKeys[f1] = TKeyOwnSound{"", std::nullopt, 100};        // silent, category's release
  scheme.OwnKeys[a] = TKeyOwnSound{std::nullopt, "a up.wav", 100};  // category's press, own release
  IniPairs pairs = SchemeKeyValues(scheme);
  ASSERT_EQ(pairs.size(), before.size() + 7);
  EXPECT_EQ(IniPairs(pairs.begin(), pairs.begin() + static_cast<std::ptrdiff_t>(before.size())), before);
  const IniPairs own(pairs.begin() + static_cast<std::ptrdiff_t>(before.size()), pairs.end());
  const IniPairs expected = {{"KeyF1", ""},
                             {"KeyF1Vol", "100"},
                             {"KeyAVol", "100"},
                             {"KeyARelease", "a up.wav"},
                             {"KeyNumpadEnter", "Schemes\\Pack\\sprite.ogg<1200,85>"},
                             {"KeyNumpadEnterVol", "80"},
                             {"KeyNumpadEnterRelease", "Schemes\\Pack\\sprite.ogg<1300,40>"}};
  EXPECT_EQ(own, expected);

  FakeIni ini;
  SchemeList list;
  list.Append("Pack", scheme);
  SaveSchemes(list, ini);
  ini.Set("Hand", "keyspace", "space.wav|space2.wav");
  SchemeList back;
  LoadSchemes(ini, back);
  EXPECT_EQ(back.Scheme(0), scheme);
  const TScheme& hand = back.Scheme(1);
  ASSERT_EQ(hand.OwnKeys.size(), 1u);
  const TKeyOwnSound& space = hand.OwnKeys.at(FindKeyByName("Space"));
  EXPECT_EQ(space.FileName, "space.wav|space2.wav");
  EXPECT_FALSE(space.ReleaseFileName.has_value());
  EXPECT_EQ(space.Volume, 100);
}

TEST(SoundReference, FilesSlicesAndVariantsReadAndWriteBack) {
  using Parts = std::vector<SoundPart>;
  EXPECT_EQ(ParseSoundReference(""), Parts{});
  EXPECT_EQ(ParseSoundReference("Schemes\\TypeWriter\\Other.wav"), (Parts{{"Schemes\\TypeWriter\\Other.wav"}}));
  EXPECT_EQ(ParseSoundReference("C:\\Sounds\\caps lock [1].wav"), (Parts{{"C:\\Sounds\\caps lock [1].wav"}}));
  EXPECT_EQ(ParseSoundReference("sprite.ogg<1200,85>"), (Parts{{"sprite.ogg", 1200, 85}}));
  EXPECT_EQ(ParseSoundReference("a.mp3|b.mp3||sprite.ogg<0,40>|"),
            (Parts{{"a.mp3"}, {"b.mp3"}, {"sprite.ogg", 0, 40}}));
  // Slices that cannot be read leave the file whole.
  for (const char* bad : {"s.ogg<x,3>", "s.ogg<5,0>", "s.ogg<5,>", "s.ogg<5,3", "s.ogg<4294967295,2>", "s.ogg<-1,2>"}) {
    EXPECT_EQ(ParseSoundReference(bad), (Parts{{"s.ogg"}})) << bad;
  }
  EXPECT_EQ(ParseSoundReference("<1,2>|x.wav"), (Parts{{"x.wav"}})) << "a slice of no file is left out";
  std::string many;
  for (int i = 0; i < 150; ++i) many += "v" + std::to_string(i) + ".wav|";
  EXPECT_EQ(ParseSoundReference(many).size(), kMaxSoundVariants);

  const Parts parts = {{"press\\GENERIC_R0.mp3"}, {"Schemes\\Pack\\sprite.ogg", 30000, 120}, {"x.wav"}};
  EXPECT_EQ(FormatSoundReference(parts), "press\\GENERIC_R0.mp3|Schemes\\Pack\\sprite.ogg<30000,120>|x.wav");
  EXPECT_EQ(ParseSoundReference(FormatSoundReference(parts)), parts);
}

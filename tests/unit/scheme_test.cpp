#include "settings/scheme.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "settings/scheme_store.h"
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

#include "settings/scheme_store.h"

#include "settings/ini_values.h"

namespace {

constexpr int32_t kDefaultVolume = 5;

std::string CategoryKey(const char* prefix, KeyCategory c, const char* suffix = "") {
  std::string key = prefix;
  key += KeyCategoryName(c);
  key += suffix;
  return key;
}
std::string FileKey(KeyCategory c) { return CategoryKey("k", c); }
std::string EnabledKey(KeyCategory c) { return CategoryKey("ek", c); }

// The writer has always written "kPageUpVol" and the reader has always asked
// for "KPageUpVol"; both files and lookups ignore letter case, so they meet.
std::string VolumeKeyForWriting(KeyCategory c) { return CategoryKey("k", c, "Vol"); }
std::string VolumeKeyForReading(KeyCategory c) {
  return c == KeyCategory::PageUp ? "KPageUpVol" : VolumeKeyForWriting(c);
}

TScheme ReadScheme(IniStore& store, const std::string& section) {
  TScheme scheme;
  for (int i = 0; i < kKeyCategoryCount; ++i) {
    auto c = static_cast<KeyCategory>(i);
    TSoundKey& key = scheme.Key(c);
    key.FileName = store.ReadString(section, FileKey(c), "");
    key.Enabled = ReadBool(store, section, EnabledKey(c), true);
    key.Volume = ReadInteger(store, section, VolumeKeyForReading(c), kDefaultVolume);
  }
  scheme.MouseEnabled = ReadBool(store, section, "MouseEnabled", true);
  scheme.KeyboardEnabled = ReadBool(store, section, "KeyboardEnabled", true);
  return scheme;
}

}  // namespace

void LoadSchemes(IniStore& store, SchemeList& list) {
  list.Clear();
  for (std::string& name : store.ReadSections()) {
    TScheme scheme = ReadScheme(store, name);
    list.Append(std::move(name), std::move(scheme));
  }
}

IniPairs SchemeKeyValues(const TScheme& scheme) {
  IniPairs pairs;
  pairs.reserve(kKeyCategoryCount * 3 + 2);
  for (int i = 0; i < kKeyCategoryCount; ++i) {
    auto c = static_cast<KeyCategory>(i);
    const TSoundKey& key = scheme.Key(c);
    pairs.emplace_back(FileKey(c), key.FileName);
    pairs.emplace_back(EnabledKey(c), BoolText(key.Enabled));
    pairs.emplace_back(VolumeKeyForWriting(c), IntegerText(key.Volume));
  }
  pairs.emplace_back("MouseEnabled", BoolText(scheme.MouseEnabled));
  pairs.emplace_back("KeyboardEnabled", BoolText(scheme.KeyboardEnabled));
  return pairs;
}

void SaveSchemes(const SchemeList& list, IniStore& store) {
  for (int i = 0; i < list.Count(); ++i) {
    store.WriteSection(list.Name(i), SchemeKeyValues(list.Scheme(i)));
  }
}

#pragma once
// schemes.cfg: one section per scheme, named after it, with 80 keys, and
// after them the release sounds that the scheme has and the keys with
// sounds of their own.

#include <cstdint>
#include <string>
#include <variant>

#include "settings/ini_fields.h"
#include "settings/ini_store.h"
#include "settings/scheme.h"

using SoundTextField = IniField<TSoundKey, std::string>;
using SoundBoolField = IniField<TSoundKey, bool>;
using SoundIntField = IniField<TSoundKey, int32_t>;

// A key repeated for every category: prefix + category name + suffix.
struct SchemeCategoryKey {
  const char* prefix;
  const char* suffix;
  std::variant<SoundTextField, SoundBoolField, SoundIntField> field;
  // The name the reader asks for with PageUp, where it has always differed
  // from the written one; nullptr when it does not.
  const char* pageUpReadName = nullptr;
  // A key that is left out where its value is empty, so that a scheme
  // without it is written exactly as before the key existed.
  bool omittedWhenEmpty = false;
};

// A key of the scheme as a whole.
struct SchemeSwitchKey {
  const char* name;
  IniField<TScheme, bool> field;
};

using SchemeKey = std::variant<SchemeCategoryKey, SchemeSwitchKey>;

// The keys of a section in file order. Consecutive category keys form a group
// that is written category by category (the group's keys for Escape, then for
// Functions, ...); a switch key appears once. A further group therefore goes
// after the switches as a new run of category keys.
inline constexpr SchemeKey kSchemeKeys[] = {
    SchemeCategoryKey{"k", "", SoundTextField{&TSoundKey::FileName, ""}},
    SchemeCategoryKey{"ek", "", SoundBoolField{&TSoundKey::Enabled, true}},
    // The writer has always written "kPageUpVol" and the reader has always asked
    // for "KPageUpVol"; both files and lookups ignore letter case, so they meet.
    SchemeCategoryKey{"k", "Vol", SoundIntField{&TSoundKey::Volume, 5}, "KPageUpVol"},
    SchemeSwitchKey{"MouseEnabled", {&TScheme::MouseEnabled, true}},
    SchemeSwitchKey{"KeyboardEnabled", {&TScheme::KeyboardEnabled, true}},
    // The sound of the release ("kOtherRelease"), only where there is one.
    SchemeCategoryKey{"k", "Release", SoundTextField{&TSoundKey::ReleaseFileName, ""}, nullptr, true},
};

// Fills list (cleared first) from every section of the store, in file order.
// Missing or unparsable keys take their defaults: enabled, no file, volume 5,
// both switches on.
void LoadSchemes(IniStore& store, SchemeList& list);

// Writes every scheme of the list, in list order, each as a whole section of
// 80 keys and its release sounds. The store is expected to be empty: the
// caller gives it a new file.
void SaveSchemes(const SchemeList& list, IniStore& store);

// A scheme's keys and values in the order of the file.
IniPairs SchemeKeyValues(const TScheme& scheme);

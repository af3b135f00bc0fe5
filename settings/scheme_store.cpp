#include "settings/scheme_store.h"

#include <iterator>
#include <optional>
#include <type_traits>

#include "settings/key_table.h"

namespace {

// Calls onCategoryKey(key, category) and onSwitch(key) for the keys of a
// section in file order; the reader and the writer share it so that they
// cannot disagree on the layout.
template <class OnCategoryKey, class OnSwitch>
void ForEachSchemeKey(OnCategoryKey onCategoryKey, OnSwitch onSwitch) {
  const size_t count = std::size(kSchemeKeys);
  for (size_t first = 0; first < count;) {
    if (const auto* key = std::get_if<SchemeSwitchKey>(&kSchemeKeys[first])) {
      onSwitch(*key);
      ++first;
      continue;
    }
    size_t end = first;
    while (end < count && std::holds_alternative<SchemeCategoryKey>(kSchemeKeys[end])) ++end;
    for (int c = 0; c < kKeyCategoryCount; ++c) {
      for (size_t i = first; i < end; ++i) {
        onCategoryKey(std::get<SchemeCategoryKey>(kSchemeKeys[i]), static_cast<KeyCategory>(c));
      }
    }
    first = end;
  }
}

constexpr size_t SchemeKeyCount() {
  size_t count = 0;
  for (const SchemeKey& key : kSchemeKeys) {
    count += std::holds_alternative<SchemeCategoryKey>(key) ? kKeyCategoryCount : 1;
  }
  return count;
}

std::string WrittenName(const SchemeCategoryKey& key, KeyCategory c) {
  std::string name = key.prefix;
  name += KeyCategoryName(c);
  name += key.suffix;
  return name;
}
std::string ReadName(const SchemeCategoryKey& key, KeyCategory c) {
  if (c == KeyCategory::PageUp && key.pageUpReadName != nullptr) return key.pageUpReadName;
  return WrittenName(key, c);
}

template <class Owner, class T>
void ReadField(IniStore& store, const std::string& section, const std::string& name,
               const IniField<Owner, T>& field, Owner& owner) {
  owner.*field.member = ReadIniValue<T>(store, section, name, field.def);
}

// Keys with sounds of their own follow everything else, in the order of the
// key table, each only where the scheme gives it: "KeyF1", "KeyF1Vol",
// "KeyF1Release". A key present with an empty value is silent.
constexpr char kOwnKeyPrefix[] = "Key";
// What no value in a profile file can be: tells an absent key from an empty one.
constexpr char kAbsent[] = "\x7f";

std::optional<std::string> ReadOptional(IniStore& store, const std::string& section, const std::string& key) {
  std::string value = store.ReadString(section, key, kAbsent);
  if (value == kAbsent) return std::nullopt;
  return value;
}

void ReadOwnKeys(IniStore& store, const std::string& section, TScheme& scheme) {
  const auto keys = KeyTable();
  for (int row = 0; row < kKeyCount; ++row) {
    const std::string name = kOwnKeyPrefix + std::string(keys[static_cast<size_t>(row)].name);
    TKeyOwnSound own;
    own.FileName = ReadOptional(store, section, name);
    own.ReleaseFileName = ReadOptional(store, section, name + "Release");
    if (!own.FileName && !own.ReleaseFileName) continue;
    own.Volume = ReadIniValue<int32_t>(store, section, name + "Vol", 100);
    scheme.OwnKeys.emplace(row, std::move(own));
  }
}

void WriteOwnKeys(const TScheme& scheme, IniPairs& pairs) {
  const auto keys = KeyTable();
  for (const auto& [row, own] : scheme.OwnKeys) {
    if (row < 0 || row >= kKeyCount || (!own.FileName && !own.ReleaseFileName)) continue;
    const std::string name = kOwnKeyPrefix + std::string(keys[static_cast<size_t>(row)].name);
    if (own.FileName) pairs.emplace_back(name, *own.FileName);
    pairs.emplace_back(name + "Vol", IniValueText(own.Volume));
    if (own.ReleaseFileName) pairs.emplace_back(name + "Release", *own.ReleaseFileName);
  }
}

TScheme ReadScheme(IniStore& store, const std::string& section) {
  TScheme scheme;
  ForEachSchemeKey(
      [&](const SchemeCategoryKey& key, KeyCategory c) {
        const std::string name = ReadName(key, c);
        std::visit([&](const auto& field) { ReadField(store, section, name, field, scheme.Key(c)); }, key.field);
      },
      [&](const SchemeSwitchKey& key) { ReadField(store, section, key.name, key.field, scheme); });
  ReadOwnKeys(store, section, scheme);
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
  pairs.reserve(SchemeKeyCount());
  ForEachSchemeKey(
      [&](const SchemeCategoryKey& key, KeyCategory c) {
        std::visit(
            [&](const auto& field) {
              std::string value = IniValueText(scheme.Key(c).*field.member);
              if (key.omittedWhenEmpty && value.empty()) return;
              pairs.emplace_back(WrittenName(key, c), std::move(value));
            },
            key.field);
      },
      [&](const SchemeSwitchKey& key) { pairs.emplace_back(key.name, IniValueText(scheme.*key.field.member)); });
  WriteOwnKeys(scheme, pairs);
  return pairs;
}

void SaveSchemes(const SchemeList& list, IniStore& store) {
  for (int i = 0; i < list.Count(); ++i) {
    store.WriteSection(list.Name(i), SchemeKeyValues(list.Scheme(i)));
  }
}

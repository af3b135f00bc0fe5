#pragma once
// In-memory IniStore with the lookup rules of the Windows profile API that the
// program relies on: sections and keys match without regard to letter case,
// a written key replaces its value in place, a new key goes to the end.

#include <stdexcept>

#include "settings/ini_store.h"
#include "settings/scheme.h"

class FakeIni : public IniStore {
 public:
  struct Section {
    std::string name;
    IniPairs pairs;
  };
  std::vector<Section> sections;
  bool refuseWrites = false;
  std::vector<std::string> writeLog;  // "section/key" in write order

  std::vector<std::string> ReadSections() override {
    std::vector<std::string> names;
    for (const auto& s : sections) names.push_back(s.name);
    return names;
  }
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override {
    if (Section* s = Find(section)) {
      for (const auto& [k, v] : s->pairs) {
        if (SameTextIgnoringCase(k, key)) return v;
      }
    }
    return def;
  }
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    if (refuseWrites) throw std::runtime_error("Unable to write to fake");
    writeLog.push_back(section + "/" + key);
    Section& s = FindOrAdd(section);
    for (auto& [k, v] : s.pairs) {
      if (SameTextIgnoringCase(k, key)) {
        v = value;
        return;
      }
    }
    s.pairs.emplace_back(key, value);
  }
  void WriteSection(const std::string& section, const IniPairs& pairs) override {
    if (refuseWrites) throw std::runtime_error("Unable to write to fake");
    FindOrAdd(section).pairs = pairs;
  }

  void Set(const std::string& section, const std::string& key, const std::string& value) {
    FindOrAdd(section).pairs.emplace_back(key, value);
  }

 private:
  Section* Find(const std::string& name) {
    for (auto& s : sections) {
      if (SameTextIgnoringCase(s.name, name)) return &s;
    }
    return nullptr;
  }
  Section& FindOrAdd(const std::string& name) {
    if (Section* s = Find(name)) return *s;
    sections.push_back({name, {}});
    return sections.back();
  }
};

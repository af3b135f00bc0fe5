#include "settings/scheme.h"

#include <stdexcept>

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string> SoundReferencesOf(const TScheme& scheme) {
  std::vector<std::string> references;
  auto note = [&](const std::string& reference) {
    if (!reference.empty()) references.push_back(reference);
  };
  for (const TSoundKey& key : scheme.Keys) {
    note(key.FileName);
    note(key.ReleaseFileName);
  }
  for (const auto& [row, own] : scheme.OwnKeys) {
    if (own.FileName) note(*own.FileName);
    if (own.ReleaseFileName) note(*own.ReleaseFileName);
  }
  return references;
}

void SchemeList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("Scheme list index out of bounds (" + std::to_string(index) + ")");
  }
}

const std::string& SchemeList::Name(int index) const {
  CheckIndex(index);
  return entries_[static_cast<size_t>(index)].name;
}

TScheme& SchemeList::Scheme(int index) {
  CheckIndex(index);
  return entries_[static_cast<size_t>(index)].scheme;
}

const TScheme& SchemeList::Scheme(int index) const {
  CheckIndex(index);
  return entries_[static_cast<size_t>(index)].scheme;
}

int SchemeList::FindScheme(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameTextIgnoringCase(entries_[static_cast<size_t>(i)].name, name)) return i;
  }
  return -1;
}

void SchemeList::Append(std::string name, TScheme scheme) {
  entries_.push_back(Entry{std::move(name), std::move(scheme)});
}

void SchemeList::Replace(int index, std::string name, TScheme scheme) {
  CheckIndex(index);
  entries_[static_cast<size_t>(index)] = Entry{std::move(name), std::move(scheme)};
}

void SchemeList::Delete(int index) {
  CheckIndex(index);
  entries_.erase(entries_.begin() + index);
}

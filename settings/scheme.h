#pragma once
// The sound-scheme model shared by the whole program: key categories, one
// TSoundKey per category, TScheme, and the ordered SchemeList.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The order is the order of TScheme's entries, of the keys in schemes.cfg and
// of the scheme editor's rows; the names build the keys of schemes.cfg.
enum class KeyCategory : int {
  Escape, Functions, Digits, Other, Tab, CapsLock, Shift, Ctrl, Win, Alt, Space, Menu, Enter,
  BackSpace, PrintScreen, ScrollLock, Pause, Insert, Delete, Home, End, PageUp, PageDown, NumLock,
  LeftButton, RightButton,
};

inline constexpr int kKeyCategoryCount = 26;
inline constexpr int kKeyboardCategoryCount = 24;  // Escape .. NumLock

inline constexpr std::array<std::string_view, kKeyCategoryCount> kKeyCategoryNames = {
    "Escape", "Functions", "Digits", "Other", "Tab", "CapsLock", "Shift", "Ctrl", "Win",
    "Alt", "Space", "Menu", "Enter", "BackSpace", "PrintScreen", "ScrollLock", "Pause",
    "Insert", "Delete", "Home", "End", "PageUp", "PageDown", "NumLock", "LeftButton",
    "RightButton",
};

inline std::string_view KeyCategoryName(KeyCategory category) {
  return kKeyCategoryNames[static_cast<size_t>(category)];
}

struct TSoundKey {
  bool Enabled = false;
  std::string FileName;  // relative to the program folder, or absolute with a drive
  int32_t Volume = 0;    // percent; the store does not clamp it
  std::string ReleaseFileName;  // played when the key or button is released; empty: nothing

  bool operator==(const TSoundKey&) const = default;
};

// A single key's own sounds, over its category's. Each is a sound reference
// (settings/sound_reference.h).
struct TKeyOwnSound {
  std::optional<std::string> FileName;         // none: the category's press sound; empty: silent
  std::optional<std::string> ReleaseFileName;  // none: the category's release sound; empty: none
  int32_t Volume = 100;                        // percent, for this key's own sounds

  bool operator==(const TKeyOwnSound&) const = default;
};

class TScheme {
 public:
  std::array<TSoundKey, kKeyCategoryCount> Keys{};
  bool MouseEnabled = false;
  bool KeyboardEnabled = false;
  // Keys with sounds of their own, by row of KeyTable() (settings/key_table.h).
  std::map<int, TKeyOwnSound> OwnKeys;

  TSoundKey& Key(KeyCategory category) { return Keys[static_cast<size_t>(category)]; }
  const TSoundKey& Key(KeyCategory category) const { return Keys[static_cast<size_t>(category)]; }

  bool operator==(const TScheme&) const = default;
};

// Compares the way the program compares scheme names when it looks one up.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Every sound reference the scheme holds, press and release, of its
// categories and of its keys, empty ones left out.
std::vector<std::string> SoundReferencesOf(const TScheme& scheme);

// Ordered list of (name, scheme). Not sorted and free of any duplicate check:
// the order is that of schemes.cfg followed by the schemes added during the run.
// An index outside the list throws std::out_of_range with a readable message,
// which the main window's exception boundary logs.
class SchemeList {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& Name(int index) const;
  TScheme& Scheme(int index);
  const TScheme& Scheme(int index) const;

  // Index of the first entry whose name equals name without regard to letter
  // case, or -1.
  int FindScheme(std::string_view name) const;

  void Append(std::string name, TScheme scheme);
  void Replace(int index, std::string name, TScheme scheme);
  void Delete(int index);
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string name;
    TScheme scheme;
  };
  void CheckIndex(int index) const;
  std::vector<Entry> entries_;
};

#pragma once
// config.cfg: the keys of its section "Options", one line per key, and the
// reading and writing of the settings that they drive.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "settings/ini_fields.h"
#include "settings/ini_store.h"
#include "settings/settings.h"

using BoolOption = IniField<Settings, bool>;
using WordOption = IniField<Settings, uint16_t>;  // read keeping the low 16 bits
using IntOption = IniField<Settings, int32_t>;
using TextOption = IniField<Settings, std::string>;
using OptionField = std::variant<BoolOption, WordOption, IntOption, TextOption>;

enum class OptionRead : uint8_t {
  kAlways,
  // The default is whether the Windows Run value exists, not the table's.
  kDefaultIsRunValue,
  // Left as it is on the first start: the first-start device set-up has just
  // chosen it.
  kNotOnFirstStart,
};

struct OptionKey {
  const char* name;
  OptionField field;
  size_t writePosition;  // the program has always written the keys in another order than it reads them
  OptionRead read = OptionRead::kAlways;
};

// In reading order. A new key goes at the end, with the next write position,
// so that files written by older versions keep their layout.
inline constexpr auto kOptionKeys = std::to_array<OptionKey>({
    {"AutoRun", BoolOption{&Settings::AutoRun, false}, 0, OptionRead::kDefaultIsRunValue},
    {"CurrentSchem", TextOption{&Settings::CurrentSchemeName, "TypeWriter"}, 2},
    {"AnimIcon", BoolOption{&Settings::AnimIcon, true}, 1},
    {"GlobalVolume", IntOption{&Settings::GlobalVolume, 60}, 3},
    {"OptionsHotKey", WordOption{&Settings::OptionsHotKey, 49231}, 12},  // Ctrl+Alt+O
    {"OptionsModifiers", WordOption{&Settings::OptionsModifiers, 3}, 13},
    {"SoundHotKey", WordOption{&Settings::SoundHotKey, 49235}, 14},  // Ctrl+Alt+S
    {"SoundModifiers", WordOption{&Settings::SoundModifiers, 3}, 15},
    {"VolumeUpHotKey", WordOption{&Settings::VolumeUpHotKey, 49225}, 16},  // Ctrl+Alt+I
    {"VolumeUpHotKeyModifiers", WordOption{&Settings::VolumeUpHotKeyModifiers, 3}, 17},
    {"VolumeDownHotKey", WordOption{&Settings::VolumeDownHotKey, 49234}, 18},  // Ctrl+Alt+R
    {"VolumeDownHotKeyModifiers", WordOption{&Settings::VolumeDownHotKeyModifiers, 3}, 19},
    {"NextSchemeHotKey", WordOption{&Settings::NextSchemeHotKey, 57422}, 20},  // Ctrl+Alt+Shift+N
    {"NextSchemeHotKeyModifiers", WordOption{&Settings::NextSchemeHotKeyModifiers, 7}, 21},
    {"PrevSchemeHotKey", WordOption{&Settings::PrevSchemeHotKey, 57424}, 22},  // Ctrl+Alt+Shift+P
    {"PrevSchemeHotKeyModifiers", WordOption{&Settings::PrevSchemeHotKeyModifiers, 7}, 23},
    {"MouseActionIndex", IntOption{&Settings::MouseActionIndex, 0}, 24},
    {"DeviceID", IntOption{&Settings::DeviceID, 0}, 4, OptionRead::kNotOnFirstStart},
    {"Support3D", BoolOption{&Settings::Support3D, true}, 5, OptionRead::kNotOnFirstStart},
    {"SupportEAX", BoolOption{&Settings::SupportEAX, true}, 6, OptionRead::kNotOnFirstStart},
    {"MuteSound", BoolOption{&Settings::MuteSound, false}, 7},
    {"EaxEnv", IntOption{&Settings::EaxEnv, 0}, 8},
    {"VolUpValue", IntOption{&Settings::VolUpValue, 10}, 9},
    {"VolDownValue", IntOption{&Settings::VolDownValue, 10}, 10},
    {"FormSchemeHeight", IntOption{&Settings::FormSchemeHeight, 400}, 11},
    // The output by its endpoint, which keeps its id when devices come and go.
    {"DeviceEndpoint", TextOption{&Settings::DeviceEndpoint, ""}, 25, OptionRead::kNotOnFirstStart},
    // When the program is quiet by itself.
    {"QuietFullScreen", BoolOption{&Settings::QuietFullScreen, false}, 26},
    {"QuietPrograms", TextOption{&Settings::QuietPrograms, ""}, 27},
    {"QuietMicrophone", BoolOption{&Settings::QuietMicrophone, false}, 28},
    // How keys sound beyond their files.
    {"Variation", IntOption{&Settings::Variation, 0}, 29},
    {"KeyPanning", BoolOption{&Settings::KeyPanning, false}, 30},
    {"OverlapSounds", BoolOption{&Settings::OverlapSounds, false}, 31},
});

// Indices into kOptionKeys in writing order.
constexpr std::array<size_t, kOptionKeys.size()> OptionWriteOrder() {
  std::array<size_t, kOptionKeys.size()> order{};
  for (size_t i = 0; i < kOptionKeys.size(); ++i) order[kOptionKeys[i].writePosition] = i;
  return order;
}

// What an appended line could get wrong is checked here, when it is compiled.
namespace option_keys_check {

constexpr bool SameNameIgnoringCase(const char* a, const char* b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (; *a && *b; ++a, ++b) {
    if (lower(*a) != lower(*b)) return false;
  }
  return *a == *b;
}

constexpr bool SameMember(const OptionField& a, const OptionField& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&b](const auto& fa) { return fa.member == std::get<std::decay_t<decltype(fa)>>(b).member; }, a);
}

// Every position from 0 to size-1 taken once, or a key would be written
// twice and another never.
constexpr bool WritePositionsArePermutation() {
  std::array<bool, kOptionKeys.size()> taken{};
  for (const OptionKey& key : kOptionKeys) {
    if (key.writePosition >= taken.size() || taken[key.writePosition]) return false;
    taken[key.writePosition] = true;
  }
  return true;
}

// The file and its lookups ignore letter case, so two names differing only
// in case would be one key.
constexpr bool NamesAndMembersAreDistinct() {
  for (size_t i = 0; i < kOptionKeys.size(); ++i) {
    for (size_t j = i + 1; j < kOptionKeys.size(); ++j) {
      if (SameNameIgnoringCase(kOptionKeys[i].name, kOptionKeys[j].name)) return false;
      if (SameMember(kOptionKeys[i].field, kOptionKeys[j].field)) return false;
    }
  }
  return true;
}

constexpr bool RunValueDefaultOnlyOnBooleans() {
  for (const OptionKey& key : kOptionKeys) {
    if (key.read == OptionRead::kDefaultIsRunValue && !std::holds_alternative<BoolOption>(key.field)) {
      return false;
    }
  }
  return true;
}

static_assert(WritePositionsArePermutation(), "each write position must be used exactly once");
static_assert(NamesAndMembersAreDistinct(), "two option keys share a name or a member");
static_assert(RunValueDefaultOnlyOnBooleans(), "only a boolean can default to the Run value");

}  // namespace option_keys_check

inline constexpr const char* kOptionsSection = "Options";

// Reads every key of section "Options" in the file's
// documented order. autoRunDefault is whether the Windows Run value exists. On
// the first start DeviceID, Support3D and SupportEAX are left as they are: the
// first-start device set-up has just chosen them.
void ReadSettings(IniStore& config, bool autoRunDefault, bool firstStart, Settings& s);

// Writes all keys of section "Options", each replaced in place, in the order
// the program has always written them.
void WriteSettings(const Settings& s, IniStore& config);

#include "settings/option_keys.h"

#include <type_traits>
#include <variant>

void ReadSettings(IniStore& config, bool autoRunDefault, bool firstStart, Settings& s) {
  const std::string sec = kOptionsSection;
  for (const OptionKey& key : kOptionKeys) {
    if (firstStart && key.read == OptionRead::kNotOnFirstStart) continue;
    std::visit(
        [&](const auto& field) {
          using T = std::remove_reference_t<decltype(s.*field.member)>;
          auto def = field.def;
          if constexpr (std::is_same_v<T, bool>) {
            if (key.read == OptionRead::kDefaultIsRunValue) def = autoRunDefault;
          }
          s.*field.member = ReadIniValue<T>(config, sec, key.name, def);
        },
        key.field);
  }
}

void WriteSettings(const Settings& s, IniStore& config) {
  static constexpr auto kWriteOrder = OptionWriteOrder();
  const std::string sec = kOptionsSection;
  for (size_t index : kWriteOrder) {
    const OptionKey& key = kOptionKeys[index];
    std::visit([&](const auto& field) { config.WriteString(sec, key.name, IniValueText(s.*field.member)); },
               key.field);
  }
}

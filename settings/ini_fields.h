#pragma once
// A member of a settings struct bound to its default, read and written with the
// rules of ini_values.h. The key tables of config.cfg and schemes.cfg are built
// from these, so each kind of value is parsed and formatted in one place.

#include <cstdint>
#include <string>
#include <type_traits>

#include "settings/ini_store.h"
#include "settings/ini_values.h"

// A string default is a literal: the tables are constexpr.
template <class T>
struct IniDefaultOf {
  using type = T;
};
template <>
struct IniDefaultOf<std::string> {
  using type = const char*;
};

template <class Owner, class T>
struct IniField {
  T Owner::*member;
  typename IniDefaultOf<T>::type def;
};

// A value of type T (bool, uint16_t, int32_t or std::string) read from the store.
template <class T>
T ReadIniValue(IniStore& ini, const std::string& section, const std::string& key,
               typename IniDefaultOf<T>::type def) {
  if constexpr (std::is_same_v<T, bool>) {
    return ReadBool(ini, section, key, def);
  } else if constexpr (std::is_same_v<T, uint16_t>) {
    return ReadWord(ini, section, key, def);
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return ReadInteger(ini, section, key, def);
  } else {
    static_assert(std::is_same_v<T, std::string>, "no reading rule for this type");
    return ini.ReadString(section, key, def);
  }
}

template <class T>
std::string IniValueText(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return BoolText(value);
  } else if constexpr (std::is_integral_v<T>) {
    return IntegerText(value);
  } else {
    static_assert(std::is_same_v<T, std::string>, "no writing rule for this type");
    return value;
  }
}

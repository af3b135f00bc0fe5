#pragma once
// Typed values over an IniStore, with the parsing rules of both settings files:
// integers are decimal, or hexadecimal after "0x"; booleans are integers where
// anything but 0 is true; a missing, empty or unparsable value gives the default.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/ini_store.h"

// Text longer than two characters that begins with "0x" or "0X" is hexadecimal
// (a 32-bit pattern, so 0xFFFFFFFF is -1); anything else is an optionally signed
// decimal that must fit 32 bits. Surrounding blanks are ignored.
std::optional<int32_t> ParseInteger(std::string_view text);

int32_t ReadInteger(IniStore& ini, const std::string& section, const std::string& key, int32_t def);
bool ReadBool(IniStore& ini, const std::string& section, const std::string& key, bool def);
// Keeps the low 16 bits of the integer read, as a 16-bit variable does.
uint16_t ReadWord(IniStore& ini, const std::string& section, const std::string& key, uint16_t def);

std::string IntegerText(int64_t value);
inline std::string BoolText(bool value) { return value ? "1" : "0"; }

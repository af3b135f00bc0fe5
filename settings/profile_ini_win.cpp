#include "settings/profile_ini_win.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

namespace {

// The profile API truncates silently, so every read starts with the classic
// buffer sizes and doubles until the answer fits. A value or a list of section
// names is never cut short, and a load never drops a scheme that the next save
// would then delete.
constexpr DWORD kSectionNamesBuffer = 16384;
constexpr DWORD kValueBuffer = 2048;
constexpr DWORD kMaxBuffer = 64u << 20;

}  // namespace

std::vector<std::string> ProfileIniStore::ReadSections() {
  std::vector<char> buffer(kSectionNamesBuffer);
  DWORD length = 0;
  for (;;) {
    length = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), path_.c_str());
    // A list that did not fit comes back as size - 2.
    if (length + 2 < buffer.size() || buffer.size() >= kMaxBuffer) break;
    buffer.assign(buffer.size() * 2, '\0');
  }
  std::vector<std::string> names;
  const char* p = buffer.data();
  const char* end = buffer.data() + length;
  while (p < end && *p != '\0') {
    std::string name(p);
    p += name.size() + 1;
    names.push_back(std::move(name));
  }
  return names;
}

std::string ProfileIniStore::ReadString(const std::string& section, const std::string& key,
                                        const std::string& def) {
  std::vector<char> buffer(kValueBuffer);
  DWORD length = 0;
  for (;;) {
    length = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                      static_cast<DWORD>(buffer.size()), path_.c_str());
    // A value that did not fit comes back as size - 1.
    if (length + 1 < buffer.size() || buffer.size() >= kMaxBuffer) break;
    buffer.assign(buffer.size() * 2, '\0');
  }
  return std::string(buffer.data(), length);
}

void ProfileIniStore::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value) {
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str())) {
    ThrowWriteError();
  }
}

void ProfileIniStore::WriteSection(const std::string& section, const IniPairs& pairs) {
  // One call per section: "key=value\0key=value\0\0".
  std::string block;
  for (const auto& [key, value] : pairs) {
    block += key;
    block += '=';
    block += value;
    block += '\0';
  }
  block += '\0';
  if (!WritePrivateProfileSectionA(section.c_str(), block.c_str(), path_.c_str())) {
    ThrowWriteError();
  }
}

void ProfileIniStore::Flush() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
}

void ProfileIniStore::ThrowWriteError() const {
  throw std::runtime_error("Unable to write to " + path_);
}

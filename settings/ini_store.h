#pragma once
// The narrow view of an INI file that the settings and the scheme store need.
// On Windows it is the system's private-profile API (users hand-edit these
// files and rely on its rules); the unit tests use an in-memory stand-in.

#include <string>
#include <utility>
#include <vector>

using IniPairs = std::vector<std::pair<std::string, std::string>>;

class IniStore {
 public:
  virtual ~IniStore() = default;

  // Names of all sections, in file order.
  virtual std::vector<std::string> ReadSections() = 0;
  // The value of a key, or def when the key is absent. Section and key are
  // matched without regard to letter case. The value comes back whole,
  // however long it is.
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) = 0;
  // Replaces the key's value in place, or appends the key to its section.
  // Throws std::runtime_error("Unable to write to <path>") when refused.
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  // Replaces a whole section with these keys, in this order. Throws as above.
  virtual void WriteSection(const std::string& section, const IniPairs& pairs) = 0;
};

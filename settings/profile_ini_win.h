#pragma once
// IniStore over the Windows private-profile API, bound to one file.

#include <string>

#include "settings/ini_store.h"

class ProfileIniStore final : public IniStore {
 public:
  explicit ProfileIniStore(std::string path) : path_(std::move(path)) {}

  std::vector<std::string> ReadSections() override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void WriteSection(const std::string& section, const IniPairs& pairs) override;

  // Hands cached writes to the disk (the system may keep profiles in memory).
  void Flush();
  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void ThrowWriteError() const;
  std::string path_;
};

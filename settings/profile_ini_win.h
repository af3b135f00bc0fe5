#pragma once
// IniStore over the Windows private-profile API, bound to one file.
//
// Text is UTF-8 on this side and goes through the wide profile functions.
// They read a file as Unicode when it starts with the UTF-16 byte-order mark,
// and as the ANSI code page otherwise, and write it back the way it is. A file
// stays ANSI, readable by every earlier version, until a write brings a name
// that the ANSI code page cannot hold; the file is then turned into UTF-16
// first, so that the name survives.

#include <string>

#include "settings/ini_store.h"

class ProfileIniStore final : public IniStore {
 public:
  explicit ProfileIniStore(std::string path);

  std::vector<std::string> ReadSections() override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void WriteSection(const std::string& section, const IniPairs& pairs) override;

  // Hands cached writes to the disk (the system may keep profiles in memory).
  void Flush();
  const std::string& Path() const { return path_; }
  // The file starts with the UTF-16 byte-order mark.
  bool IsUnicode() const;

 private:
  // Makes the file UTF-16 before `text` is written, when the ANSI code page
  // cannot hold it.
  void PrepareFor(const std::wstring& text);
  [[noreturn]] void ThrowWriteError() const;

  std::string path_;
  std::wstring file_;
  bool madeUnicode_ = false;  // known to be UTF-16 from here on
};

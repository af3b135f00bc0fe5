#pragma once
// Where the running executable is, and the plain rules for taking a path
// apart. The program, its parts and both libraries use these; where the
// settings live is the program's own decision (app/program_folder.h).

#include <windows.h>

#include <string>
#include <vector>

#include "base/wide_text.h"

// The full path of the running executable.
inline const std::string& ProgramPath() {
  static const std::string path = [] {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length < buffer.size()) return Utf8(std::wstring_view(buffer.data(), length));
      buffer.resize(buffer.size() * 2);
    }
  }();
  return path;
}

// The last part of a path: "C:\\Tools\\Brisolt\\config.cfg" -> "config.cfg".
inline std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// The folder of a path, without a trailing backslash; "." for a bare name.
inline std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The folder of the running executable, without a trailing backslash. The
// Schemes folder lives there, and sound paths are resolved from it.
inline const std::string& ProgramFolder() {
  static const std::string folder = FolderOf(ProgramPath());
  return folder;
}

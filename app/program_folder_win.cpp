#include "app/program_folder.h"

#include <windows.h>

#include <vector>

const std::string& ProgramPath() {
  static const std::string path = [] {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
      DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length < buffer.size()) return std::string(buffer.data(), length);
      buffer.resize(buffer.size() * 2);
    }
  }();
  return path;
}

const std::string& ProgramFolder() {
  static const std::string folder = [] {
    const std::string& path = ProgramPath();
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  }();
  return folder;
}

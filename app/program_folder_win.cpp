#include "app/program_folder.h"

#include <windows.h>

#include <shlobj.h>

#include "base/scoped_win.h"
#include "base/test_seams.h"
#include "base/wide_text.h"

namespace {

bool folderMoved = false;  // the program folder is not writable

// A file can be made in `folder`: a probe that is removed as it closes.
bool Writable(const std::string& folder) {
  if (TestSeamValue("BRISOLT_TEST_READONLY_FOLDER") == 1 && folder == ProgramFolder()) return false;
  std::wstring probe = Wide(folder + "\\~brisolt-write-test.tmp");
  ScopedFile file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!file) return false;
  file.reset();
  DeleteFileW(probe.c_str());
  return true;
}

std::string RoamingFolder() {
  wchar_t path[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return "";
  }
  return Utf8(path) + "\\Brisolt";
}

}  // namespace

const std::string& DataFolder() {
  static const std::string folder = [] {
    const std::string& program = ProgramFolder();
    if (Writable(program)) return program;
    std::string roaming = RoamingFolder();
    if (roaming.empty()) return program;
    CreateDirectoryW(Wide(roaming).c_str(), nullptr);
    if (!Writable(roaming)) return program;
    folderMoved = true;
    // What the program folder holds is where the settings start from.
    for (const char* name : {"\\config.cfg", "\\schemes.cfg"}) {
      CopyFileW(Wide(program + name).c_str(), Wide(roaming + name).c_str(), TRUE);
    }
    return roaming;
  }();
  return folder;
}

std::string DataFolderDescription() {
  const std::string& folder = DataFolder();
  if (folderMoved) return "Settings are kept in " + folder + " (the program folder is not writable)";
  return "Settings are kept in " + folder;
}

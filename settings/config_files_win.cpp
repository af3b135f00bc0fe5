#include "settings/config_files.h"

#include <windows.h>

#include <exception>
#include <stdexcept>

#include "app/log.h"
#include "app/program_folder.h"
#include "app/scoped_win.h"
#include "settings/autorun.h"
#include "settings/profile_ini_win.h"
#include "settings/scheme_store.h"
#include "settings/option_keys.h"
#include "settings/settings.h"

namespace {

std::string ConfigPath(const std::string& folder) { return folder + "\\config.cfg"; }
std::string SchemesPath(const std::string& folder) { return folder + "\\schemes.cfg"; }

// Builds `path` anew through a temporary file beside it: `fill` writes the
// temporary file, which then replaces `path` in one step. With keepOld, the
// temporary file starts as a copy of the current file, so sections and keys
// that the program does not write survive.
template <typename Fill>
void ReplaceThroughTemporary(const std::string& path, bool keepOld, Fill fill) {
  const std::string temp = path + ".new";
  auto fail = [&]() {
    DeleteFileA(temp.c_str());
    throw std::runtime_error("Unable to write to " + path);
  };
  DeleteFileA(temp.c_str());  // left over from an interrupted save
  bool copied = keepOld && CopyFileA(path.c_str(), temp.c_str(), FALSE);
  if (!copied) {
    ScopedFile file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) fail();
  }
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  ProfileIniStore store(temp);
  try {
    fill(store);
  } catch (const std::exception&) {
    store.Flush();
    fail();
  }
  store.Flush();
  if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    fail();
  }
}

}  // namespace

void LoadConfigurationFrom(const std::string& folder, bool firstStart) {
  ProfileIniStore config(ConfigPath(folder));
  ReadSettings(config, RunValueExists(), firstStart, settings);
  ProfileIniStore schemes(SchemesPath(folder));
  LoadSchemes(schemes, schemeList);
}

void LoadConfiguration(bool firstStart) { LoadConfigurationFrom(ProgramFolder(), firstStart); }

void SaveSettingsFile(const std::string& path) {
  ReplaceThroughTemporary(path, true, [](ProfileIniStore& store) { WriteSettings(settings, store); });
}

void SaveSchemesFile(const std::string& path) {
  ReplaceThroughTemporary(path, false, [](ProfileIniStore& store) { SaveSchemes(schemeList, store); });
}

bool SaveConfigurationTo(const std::string& folder) {
  bool ok = true;
  auto attempt = [&ok](auto save) {
    try {
      save();
    } catch (const std::exception& e) {
      WriteLog(e.what());
      ok = false;
    }
  };
  attempt([&] { SaveSettingsFile(ConfigPath(folder)); });
  attempt([&] { SaveSchemesFile(SchemesPath(folder)); });
  // The program is closing: nothing may reach a scheme any more.
  schemeList.Clear();
  return ok;
}

bool SaveConfiguration() { return SaveConfigurationTo(ProgramFolder()); }

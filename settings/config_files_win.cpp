#include "settings/config_files.h"

#include <windows.h>

#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/log.h"
#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/system_error.h"
#include "base/wide_text.h"
#include "settings/autorun.h"
#include "settings/ini_damage.h"
#include "settings/option_keys.h"
#include "settings/profile_ini_win.h"
#include "settings/scheme_store.h"
#include "settings/settings.h"

namespace {

// Files read with unreadable lines, and how many: each is copied aside as
// <file>.bak before its first replacement.
std::map<std::string, size_t> damaged;

// The file's text, UTF-16 files as UTF-8.
std::string ReadWhole(const std::string& path) {
  ScopedFile file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) return "";
  std::string text(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!text.empty() && !ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return "";
  text.resize(read);
  if (text.size() >= 2 && text.compare(0, 2, "\xFF\xFE") == 0) {
    return Utf8(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data() + 2), (text.size() - 2) / 2));
  }
  return text;
}

void NoteDamage(const std::string& path) {
  size_t unreadable = CountUnreadableLines(ReadWhole(path));
  if (unreadable > 0) {
    damaged[path] = unreadable;
  } else {
    damaged.erase(path);
  }
}

// Keeps a copy of a damaged file before it is replaced (an earlier copy is
// kept instead), so that nothing the program could not read is lost.
void KeepDamagedCopy(const std::string& path) {
  auto found = damaged.find(path);
  if (found == damaged.end()) return;
  std::string name = FileNameOf(path);
  const std::wstring copy = Wide(path + ".bak");
  if (CopyFileW(Wide(path).c_str(), copy.c_str(), TRUE) || GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES) {
    WriteLog(name + ": " + std::to_string(found->second) + " unreadable lines ignored, copy kept as " + name + ".bak");
    damaged.erase(found);
  }
}

std::string ConfigPath(const std::string& folder) { return folder + "\\config.cfg"; }
std::string SchemesPath(const std::string& folder) { return folder + "\\schemes.cfg"; }

// A file that a virus scanner or a sync client has just opened refuses to be
// replaced for a moment: such a replace is tried 5 times over about 1 s.
constexpr int kReplaceTries = 5;
constexpr DWORD kReplaceRetryMs = 250;

bool Transient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Runs `step` until it succeeds, or fails for good, or the tries are spent;
// returns 0 or the last error.
template <typename Step>
DWORD WithRetries(Step step) {
  DWORD error = 0;
  for (int attempt = 0; attempt < kReplaceTries; ++attempt) {
    if (attempt > 0) Sleep(kReplaceRetryMs);
    if (step()) return 0;
    error = GetLastError();
    if (!Transient(error)) break;
  }
  return error ? error : ERROR_GEN_FAILURE;
}

std::string Reason(DWORD error) { return SystemErrorText(error); }

// Builds `path` anew through a temporary file beside it: `fill` writes the
// temporary file, which then replaces `path` in one step. With keepOld, the
// temporary file starts as a copy of the current file, so sections and keys
// that the program does not write survive; a current file that cannot be
// read is a failure, never a reason to write one without them.
template <typename Fill>
void ReplaceThroughTemporary(const std::string& path, bool keepOld, Fill fill) {
  const std::wstring file = Wide(path);
  const std::wstring temp = Wide(path + ".new");
  auto fail = [&](DWORD error) {
    DeleteFileW(temp.c_str());
    throw SaveError(path, error, Reason(error));
  };
  DeleteFileW(temp.c_str());  // left over from an interrupted save
  bool exists = GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (keepOld && exists) {
    if (DWORD error = WithRetries([&] { return CopyFileW(file.c_str(), temp.c_str(), FALSE) != FALSE; })) fail(error);
  } else {
    ScopedFile created(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created) fail(GetLastError());
    // A file that is UTF-16 stays so: the byte-order mark alone makes the
    // profile functions write the new one that way.
    DWORD written = 0;
    if (exists && ProfileIniStore(path).IsUnicode() && !WriteFile(created.get(), "\xFF\xFE", 2, &written, nullptr)) {
      fail(GetLastError());
    }
  }
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  ProfileIniStore store(path + ".new");
  try {
    fill(store);
  } catch (const std::exception&) {
    store.Flush();
    fail(ERROR_WRITE_FAULT);
  }
  store.Flush();
  KeepDamagedCopy(path);
  if (DWORD error = WithRetries([&] {
        return MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
      })) {
    fail(error);
  }
}

}  // namespace

void LoadConfigurationFrom(const std::string& folder, bool firstStart) {
  NoteDamage(ConfigPath(folder));
  NoteDamage(SchemesPath(folder));
  ProfileIniStore config(ConfigPath(folder));
  ReadSettings(config, RunValueExists(), firstStart, settings);
  ProfileIniStore schemes(SchemesPath(folder));
  LoadSchemes(schemes, schemeList);
}

bool SettingsExist(const std::string& folder) {
  wchar_t section[8] = L"";
  return GetPrivateProfileSectionW(L"Options", section, 8, Wide(ConfigPath(folder)).c_str()) > 0;
}

void SaveSettingsFile(const std::string& path) {
  ReplaceThroughTemporary(path, true, [](ProfileIniStore& store) { WriteSettings(settings, store); });
}

void SaveSchemesFile(const std::string& path) {
  ReplaceThroughTemporary(path, false, [](ProfileIniStore& store) { SaveSchemes(schemeList, store); });
}

std::vector<SaveError> SaveFilesTo(const std::string& folder) {
  std::vector<SaveError> problems;
  auto attempt = [&problems](const std::string& path, void (*save)(const std::string&)) {
    try {
      save(path);
    } catch (const SaveError& e) {
      WriteLog(e.what());
      problems.push_back(e);
    } catch (const std::exception& e) {
      WriteLog(e.what());
      problems.emplace_back(path, ERROR_GEN_FAILURE, e.what());
    }
  };
  attempt(ConfigPath(folder), SaveSettingsFile);
  attempt(SchemesPath(folder), SaveSchemesFile);
  return problems;
}

bool SaveConfigurationTo(const std::string& folder) {
  bool ok = SaveFilesTo(folder).empty();
  // The program is closing: nothing may reach a scheme any more.
  schemeList.Clear();
  return ok;
}

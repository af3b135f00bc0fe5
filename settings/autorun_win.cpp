#include "settings/autorun.h"

#include <windows.h>

#include <stdexcept>

#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"

bool RunValueExists() {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kRunKeyPath).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  return RegQueryValueExW(key.get(), Wide(kRunValueName).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void SetAutoRun(bool on) {
  ScopedKey key;
  if (on) {
    // The Run key exists on every Windows installation; should it be missing,
    // it is created, since the user has just asked to start with Windows.
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(kRunKeyPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error(std::string("Failed to set data for '") + kRunValueName + "'");
    }
    // The program's path may hold any character: the value is written wide.
    std::wstring value = Wide(RunValueFor(ProgramPath()));
    LONG result = RegSetValueExW(key.get(), Wide(kRunValueName).c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) {
      throw std::runtime_error(std::string("Failed to set data for '") + kRunValueName + "'");
    }
  } else {
    // No key, or no value: nothing to remove, and nothing to report.
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kRunKeyPath).c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) {
      return;
    }
    RegDeleteValueW(key.get(), Wide(kRunValueName).c_str());
  }
}

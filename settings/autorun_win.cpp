#include "settings/autorun.h"

#include <windows.h>

#include <stdexcept>

#include "app/program_folder.h"
#include "app/scoped_win.h"

bool RunValueExists() {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  return RegQueryValueExA(key.get(), kRunValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void SetAutoRun(bool on) {
  ScopedKey key;
  if (on) {
    // The Run key exists on every Windows installation; should it be missing,
    // it is created, since the user has just asked to start with Windows.
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error(std::string("Failed to set data for '") + kRunValueName + "'");
    }
    std::string value = RunValueFor(ProgramPath());
    LONG result = RegSetValueExA(key.get(), kRunValueName, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    if (result != ERROR_SUCCESS) {
      throw std::runtime_error(std::string("Failed to set data for '") + kRunValueName + "'");
    }
  } else {
    // No key, or no value: nothing to remove, and nothing to report.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.get(), kRunValueName);
  }
}

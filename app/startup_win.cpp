#include "app/startup.h"

#include <windows.h>

#include "app/app_identity.h"
#include "base/scoped_win.h"

bool firstStart = false;

bool CheckSingleInstance() {
  // Only SYNCHRONIZE: a mutex that an elevated first start made is still
  // found from a normal account, which may not ask it for more.
  ScopedHandle existing(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName));
  if (!existing) {
    ScopedHandle mutex(CreateMutexA(nullptr, TRUE, kInstanceMutexName));
    // Two starts at the same moment can both miss the mutex above; the later
    // creation then finds it and this process is the second instance after all.
    if (mutex && GetLastError() != ERROR_ALREADY_EXISTS) {
      mutex.release();  // held for the life of the process and never released explicitly
      return true;
    }
  }
  if (HWND running = FindWindowA(kMainWindowClass, kMainWindowCaption)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    // The user just started this process, so it may hand the foreground on.
    AllowSetForegroundWindow(pid);
    PostMessageW(running, WM_ACTIVATE_INSTANCE, 0, 0);
  }
  return false;
}

bool TakeFirstStartRecord() {
  ScopedKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppRegistryKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return false;  // no record can be kept: treat every start as a later one
  }
  bool recorded =
      RegQueryValueExA(key.get(), kStartedValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  if (!recorded) {
    DWORD one = 1;
    RegSetValueExA(key.get(), kStartedValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  }
  return !recorded;
}

void TrimWorkingSet() {
  SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

#include "input/hook_binding.h"

#include "app/log.h"
#include "hook/hakdor.h"
#include "input/hook_watchdog.h"

namespace {

HookWatchdog watchdog;

}  // namespace

void StartInputHook(HWND window) {
  // Named without a path: the system's search finds it beside the program.
  HMODULE library = LoadLibraryW(L"Hakdor.dll");
  if (!library) return;
  auto start = reinterpret_cast<StartHookProc>(reinterpret_cast<void*>(GetProcAddress(library, "StartHook")));
  if (!start) return;
  switch (start(window)) {
    case kHookStarted: WriteLog("----------Hook was started----------"); break;
    case kHookAlreadyStarted: WriteLog("Already started"); break;
    case kHookCannotStart: WriteLog("Hook can not be Started"); break;
    default: break;
  }
}

void StopInputHook() {
  StopHook();  // imported: the program does not start without the library
  WriteLog("----------Hook was stopped----------");
}

namespace {

bool ReinstallAndLog() {
  if (!ReinstallHook()) {
    WriteLog("Keyboard hook could not be reinstalled");
    return false;
  }
  watchdog.Reinstalled(HookLastEventTime(), GetTickCount());
  WriteLog("Keyboard hook was reinstalled");
  return true;
}

}  // namespace

bool ReinstallInputHook() { return ReinstallAndLog(); }

bool CheckInputHook() {
  LASTINPUTINFO input{sizeof input, 0};
  DWORD heard = HookLastEventTime();
  if (heard == 0 || !GetLastInputInfo(&input)) return false;  // no hook running
  return watchdog.Tick(input.dwTime, heard, GetTickCount()) && ReinstallAndLog();
}

void InjectHookFault(DWORD fault) { HookTestFault(fault); }

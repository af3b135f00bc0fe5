#include "app/foreground.h"

#include <windows.h>

#include <set>
#include <string>

#include "app/exception_boundary.h"
#include "app/integrity_rules.h"
#include "app/log.h"
#include "app/quiet_watch.h"
#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/test_seams.h"
#include "base/wide_text.h"
#include "ui/tray.h"

namespace {

ScopedWinEventHook watch;
uint32_t ourLevel = kIntegrityMedium;
bool balloonShown = false;
std::set<std::string> logged;  // programs already named in the log
HWND lastSeen = nullptr;

// The integrity level of `token`, or 0 when it cannot be read.
uint32_t LevelOf(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return 0;
  std::string buffer(size, '\0');
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) return 0;
  PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  UCHAR count = *GetSidSubAuthorityCount(sid);
  return count ? *GetSidSubAuthority(sid, count - 1u) : 0;
}

uint32_t LevelOfProcess(HANDLE process) {
  ScopedHandle token;
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) {
    // A process of the same user and level always lets its token be read;
    // one that refuses stands above us (or belongs to the system).
    return GetLastError() == ERROR_ACCESS_DENIED ? kIntegrityHigh : 0;
  }
  token.reset(raw);
  return LevelOf(token.get());
}

std::string ImageName(HANDLE process) {
  wchar_t path[MAX_PATH] = L"";
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process, 0, path, &length)) return "";
  return FileNameOf(Utf8(std::wstring_view(path, length)));
}

// The name of the program of `window` when its input is hidden from us.
std::string HiddenProgram(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0 || pid == GetCurrentProcessId()) return "";
  ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return "";
  std::string name = ImageName(process.get());
  // Wine runs every program at one level: tests name the one to take as
  // standing above us.
  std::string elevated = TestSeamText("BRISOLT_TEST_ELEVATED_PROGRAM");
  uint32_t level = !elevated.empty() && lstrcmpiW(Wide(elevated).c_str(), Wide(name).c_str()) == 0
                       ? ourLevel + 0x1000
                       : LevelOfProcess(process.get());
  return InputHiddenFromUs(ourLevel, level) && !name.empty() ? name : "";
}

void OnForeground(DWORD, HWND window, LONG object, LONG) {
  if (object != OBJID_WINDOW || !window) return;
  lastSeen = window;
  QuietForegroundChanged(window);
  std::string program = HiddenProgram(window);
  if (program.empty()) {
    SetTrayNotice("");
    return;
  }
  std::string notice = ElevatedNotice(program);
  SetTrayNotice(notice);
  if (logged.insert(program).second) WriteLog(notice);
  if (!balloonShown) {
    balloonShown = true;
    ShowBalloon("Brisolt", notice, 10000);
  }
}

}  // namespace

void WatchForeground() {
  if (uint32_t level = LevelOfProcess(GetCurrentProcess())) ourLevel = level;
  watch.reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                              GuardedWinEventProc<OnForeground>, 0, 0,
                              WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
}

void CheckForeground() {
  HWND window = GetForegroundWindow();
  if (window && window != lastSeen) OnForeground(EVENT_SYSTEM_FOREGROUND, window, OBJID_WINDOW, 0);
}

void StopWatchingForeground() {
  watch.reset();
  SetTrayNotice("");
}

#include "app/quiet_watch.h"

#include <shellapi.h>

#include <vector>

#include "app/commands.h"
#include "app/exception_boundary.h"
#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"
#include "input/quiet_rules.h"
#include "settings/settings.h"

namespace {

// Where Windows records which programs used the microphone and when: one
// subkey per packaged program, and one per executable under NonPackaged.
constexpr const wchar_t* kMicrophoneKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\CapabilityAccessManager\\ConsentStore\\microphone";

struct Watch {
  HWND window = nullptr;
  int subscription = 0;
  HWND front = nullptr;     // the window in front, as last seen
  QuietFacts facts;
  std::string lastForeign;  // the last program in front that is not ours or the shell's
  // The microphone's records: the key (or, while it does not exist, the
  // nearest key above it that does), its change event and the wait on it.
  ScopedKey watchedKey;
  ScopedHandle changed;
  ScopedWait wait;
} q;

std::string ImageNameOf(DWORD pid) {
  ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return "";
  wchar_t path[MAX_PATH] = L"";
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &length)) return "";
  return FileNameOf(Utf8(std::wstring_view(path, length)));
}

bool IsShellWindow(HWND window) {
  if (!window || window == GetDesktopWindow() || window == GetShellWindow()) return true;
  wchar_t name[32] = L"";
  GetClassNameW(window, name, 32);
  for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"}) {
    if (lstrcmpiW(name, shell) == 0) return true;
  }
  return false;
}

bool ShellProcess(DWORD pid) {
  DWORD shellPid = 0;
  if (HWND shell = GetShellWindow()) GetWindowThreadProcessId(shell, &shellPid);
  return shellPid != 0 && pid == shellPid;
}

ScreenRect RectOf(const RECT& r) { return ScreenRect{r.left, r.top, r.right, r.bottom}; }

bool FullScreenInFront(HWND window) {
  QUERY_USER_NOTIFICATION_STATE state{};
  if (SUCCEEDED(SHQueryUserNotificationState(&state)) && NotificationStateIsQuiet(static_cast<int>(state))) return true;
  if (IsShellWindow(window) || !IsWindowVisible(window)) return false;
  RECT bounds{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetWindowRect(window, &bounds) ||
      !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return false;
  }
  LONG style = GetWindowLongW(window, GWL_STYLE);
  bool maximisedWithTitleBar = IsZoomed(window) && (style & WS_CAPTION) == WS_CAPTION;
  return IsFullScreenWindow(RectOf(bounds), RectOf(monitor.rcMonitor), maximisedWithTitleBar);
}

uint64_t QwordOf(HKEY key, const wchar_t* name) {
  uint64_t value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_QWORD, nullptr, &value, &size) != ERROR_SUCCESS) return 0;
  return value;
}

// The records of every subkey of `key`; NonPackaged holds one more level.
void ReadUses(HKEY key, std::vector<MicrophoneUse>& uses, int depth = 0) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD length = 512;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    ScopedKey program;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, program.put()) != ERROR_SUCCESS) continue;
    if (depth == 0 && lstrcmpiW(name, L"NonPackaged") == 0) {
      ReadUses(program.get(), uses, 1);
    } else {
      uses.push_back({QwordOf(program.get(), L"LastUsedTimeStart"), QwordOf(program.get(), L"LastUsedTimeStop")});
    }
  }
}

bool MicrophoneIsInUse() {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kMicrophoneKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  std::vector<MicrophoneUse> uses;
  ReadUses(key.get(), uses);
  return MicrophoneInUse(uses);
}

void PostMicrophoneChange(void*) {
  if (q.window) PostMessageW(q.window, WM_QUIET_MICROPHONE, 0, 0);
}

// Asks Windows to signal the next change below the microphone's key. A key
// that does not exist yet (no program has used the microphone) is watched
// through the nearest one above it.
void ArmMicrophoneWatch() {
  q.wait.reset();
  q.watchedKey.reset();
  std::wstring path = kMicrophoneKey;
  while (!path.empty() &&
         RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_NOTIFY | KEY_READ, q.watchedKey.put()) != ERROR_SUCCESS) {
    size_t slash = path.find_last_of(L'\\');
    path = slash == std::wstring::npos ? L"" : path.substr(0, slash);
  }
  if (!q.watchedKey) return;
  if (!q.changed) q.changed.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!q.changed) return;
  if (RegNotifyChangeKeyValue(q.watchedKey.get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                              q.changed.get(), TRUE) != ERROR_SUCCESS) {
    return;
  }
  HANDLE wait = nullptr;
  if (RegisterWaitForSingleObject(&wait, q.changed.get(), GuardedWaitCallback<PostMicrophoneChange>, nullptr,
                                  INFINITE, WT_EXECUTEONLYONCE)) {
    q.wait.reset(wait);
  }
}

void StopMicrophoneWatch() {
  q.wait.reset();
  q.watchedKey.reset();
  q.changed.reset();
  q.facts.microphone = false;
}

QuietRules RulesOfSettings() {
  return QuietRules{settings.QuietFullScreen, ParseProgramList(settings.QuietPrograms), settings.QuietMicrophone};
}

void Decide() { SetQuietReason(QuietReason(RulesOfSettings(), q.facts)); }

void LookAtFront(HWND window) {
  q.front = window;
  DWORD pid = 0;
  if (window) GetWindowThreadProcessId(window, &pid);
  bool ours = pid == GetCurrentProcessId();
  q.facts.program = pid && !ours ? ImageNameOf(pid) : "";
  if (!q.facts.program.empty() && !IsShellWindow(window) && !ShellProcess(pid)) q.lastForeign = q.facts.program;
  q.facts.fullScreen = settings.QuietFullScreen && !ours && FullScreenInFront(window);
}

void OnModelChange(ModelChanges changes) {
  if (!(changes & kChangedQuietRules)) return;
  if (settings.QuietMicrophone && !q.wait) {
    ArmMicrophoneWatch();
    q.facts.microphone = MicrophoneIsInUse();
  } else if (!settings.QuietMicrophone) {
    StopMicrophoneWatch();
  }
  LookAtFront(GetForegroundWindow());
  Decide();
}

}  // namespace

void StartQuietWatch(HWND mainWindow) {
  q.window = mainWindow;
  q.subscription = Subscribe(OnModelChange);
  OnModelChange(kChangedQuietRules);
}

void StopQuietWatch() {
  Unsubscribe(q.subscription);
  StopMicrophoneWatch();
  q = Watch{};
  SetQuietReason("");
}

void QuietForegroundChanged(HWND window) {
  if (!q.window) return;
  LookAtFront(window);
  Decide();
}

void CheckQuiet() {
  if (!q.window) return;
  HWND window = GetForegroundWindow();
  // A change of the window in front is its own event; here, only a window
  // that goes full screen (or leaves it) where it is.
  if (window == q.front && !settings.QuietFullScreen) return;
  LookAtFront(window);
  Decide();
}

void QuietMicrophoneChanged() {
  if (!q.window || !settings.QuietMicrophone) return;
  ArmMicrophoneWatch();  // each notification is for one change only
  q.facts.microphone = MicrophoneIsInUse();
  Decide();
}

const std::string& LastForeignProgram() { return q.lastForeign; }

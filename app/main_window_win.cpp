#include "app/main_window.h"

#include <shellapi.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <cstring>
#include <cwchar>
#include <string_view>

#include "app/app_identity.h"
#include "app/autosave.h"
#include "app/commands.h"
#include "app/exception_boundary.h"
#include "app/foreground.h"
#include "app/log.h"
#include "app/program_folder.h"
#include "app/quiet_watch.h"
#include "app/startup.h"
#include "app/version.h"
#include "audio/audio_engine.h"
#include "base/test_seams.h"
#include "base/wide_text.h"
#include "hook/hakdor.h"
#include "input/dispatch.h"
#include "input/hook_binding.h"
#include "input/hotkeys.h"
#include "input/input_handlers.h"
#include "settings/autorun.h"
#include "settings/config_files.h"
#include "settings/settings.h"
#include "ui/icons.h"
#include "ui/menus.h"
#include "ui/options_window.h"
#include "ui/resource.h"
#include "ui/tray.h"

namespace {

// The window's class procedure handles everything; the dialog manager's own
// procedure has nothing left to do.
INT_PTR NoDialogMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Cuts the slices of the current scheme's sounds (off the hook's thread,
// before any press needs them).
void PrepareCurrentScheme() {
  const int current = CurrentSchemeIndex();
  if (current >= 0) PrepareSchemeSounds(schemeList.Scheme(current));
}

constexpr UINT_PTR kHookWatchdogTimer = 1;  // kTrayRetryTimer is 2, kSaveTimer 3
// The shell's WM_CONTEXTMENU that follows the right click which opened the
// menu comes within this time of its closing.
constexpr DWORD kTrayMenuEchoMs = 500;
constexpr UINT kHookWatchdogMs = 1000;

// Tests make the hook fail as Windows does through this message; the hook
// library ignores it unless the test environment turned its seam on.
UINT TestHookFaultMessage() {
  static const UINT message = RegisterWindowMessageA("Brisolt.TestHookFault");
  return message;
}

// Tests drop files this way: a drop's HDROP is memory of the receiving
// process, which the shell makes there, so a test hands over "x y path" (a
// global atom: the drop's point in the client area of the window it names,
// this one when none, and the file) and the window gets the block a drop
// there would give it.
UINT TestDropMessage() {
  static const UINT message = RegisterWindowMessageA("Brisolt.TestDrop");
  return message;
}

HGLOBAL DropOf(ATOM atom) {
  wchar_t text[MAX_PATH + 32] = L"";
  const UINT length = GlobalGetAtomNameW(atom, text, MAX_PATH + 32);
  POINT point{};
  int skipped = 0;
  if (swscanf(text, L"%ld %ld %n", &point.x, &point.y, &skipped) != 2) return nullptr;
  const std::wstring_view path(text + skipped, length - static_cast<UINT>(skipped));
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t));
  if (auto* drop = memory ? static_cast<DROPFILES*>(GlobalLock(memory)) : nullptr) {
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    drop->pt = point;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path.data(), path.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
  }
  return memory;
}

UINT TestTrayStateMessage() {
  static const UINT message = RegisterWindowMessageA("Brisolt.TestTrayState");
  return message;
}

}  // namespace

HWND TfrmMain::Create(HINSTANCE instance) {
  // The options window is a dialog whose template names this class: a second
  // start finds the running program by class and caption.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = GuardedWindowProc<HandleMessage>;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  static const std::wstring className = Wide(kMainWindowClass);
  wc.lpszClassName = className.c_str();
  if (!RegisterClassExW(&wc)) return nullptr;
  return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, GuardedDialogProc<NoDialogMessages>, 0);
}

LRESULT TfrmMain::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Input still queued when the exit has begun finds the schemes released:
  // it has nothing left to do.
  bool input = message == kHookKeyboardMessage || message == kHookMouseMessage || message == WM_HOTKEY ||
               message == WM_TRAY_ICON || message == kHookActivityMessage || message == WM_TIMER;
  if (closing_ && input) return 0;
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE:
      handle_ = window;
      break;
    case WM_INITDIALOG:
      // The controls exist from here on.
      OptionsWindowCreate(window);
      FormCreate(window);
      return FALSE;
    case WM_SHOWWINDOW:
      if (lParam == 0) {
        if (wParam) {
          actStatesExecute();  // FormShow
        } else {
          TrimWorkingSet();  // FormHide
        }
      }
      break;
    case WM_ACTIVATE_INSTANCE:
      ShowOptions();
      return 0;
    case WM_SYSCOMMAND:
      if (WMSysCommand(wParam)) return 0;
      break;
    case WM_CLOSE:
      // Only a close that does not come from the system menu gets here
      // (SC_CLOSE hides): "Exit" in the tray menu, or another program.
      FormClose();
      return 0;
    case WM_QUERYENDSESSION:
      // Windows is logging off, restarting or shutting down: the files are
      // saved at once. The close sequence is not run here (waiting for the
      // hook thread can take longer than Windows gives), nor after
      // WM_ENDSESSION, when the process is ended anyway.
      SaveNow(window);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) SaveNow(window);  // what changed since the question
      return 0;
    case WM_DESTROY:
      FormDestroy();
      return 0;
    case kHookKeyboardMessage:
      ShowTrayPicture(KeyboardMessages(wParam, lParam));  // the sound has started
      return 0;
    case kHookMouseMessage:
      ShowTrayPicture(MouseMessages(wParam));
      return 0;
    case kHookActivityMessage:
      ActivityMessages();
      return 0;
    case WM_QUIET_MICROPHONE:
      QuietMicrophoneChanged();
      return 0;
    case WM_TIMER:
      if (wParam == kHookWatchdogTimer) {
        if (CheckInputHook()) RecoverInput(false);
        CheckForeground();
        CheckQuiet();
        return 0;
      }
      if (wParam == kTrayRetryTimer) {
        RetryTrayIcon();
        return 0;
      }
      if (wParam == kSaveTimer) {
        SaveNow(window);
        return 0;
      }
      break;
    case WM_WTSSESSION_CHANGE:
      // Hooks go quiet on the secure desktop, and a key held while the
      // session was locked never sees its release.
      if (wParam == WTS_SESSION_UNLOCK) RecoverInput(true);
      return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC) RecoverInput(true);
      return TRUE;
    case WM_HOTKEY:
      HandleHotkey(wParam);
      return 0;
    case WM_TRAY_ICON:
      // Version 4 of the notification area: the event in the low word, the
      // icon's id in the high one.
      HandleTrayMessage(window, LOWORD(lParam));
      return 0;
    case WM_INITMENUPOPUP:
      // The first menu of the bar is "Scheme", rebuilt at every opening.
      if (!HIWORD(lParam) && GetSubMenu(GetMenu(window), 0) == reinterpret_cast<HMENU>(wParam)) {
        miSchemeClick(reinterpret_cast<HMENU>(wParam));
      }
      return 0;
    case WM_MEASUREITEM:
      if (MenuMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_DRAWITEM:
      if (MenuDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_COMMAND:
      if (OptionsWindowMessage(message, wParam, lParam, &result)) return result;
      if (HandleCommand(window, LOWORD(wParam))) return 0;
      break;
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
    case WM_DISPLAYCHANGE:
      TrayDisplayChanged();  // the notification area's icon size may have changed
      break;
    case WM_DPICHANGED:
      TrayDisplayChanged();
      if (OptionsWindowMessage(message, wParam, lParam, &result)) return result;
      break;
    case WM_NOTIFY:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_DROPFILES:
      if (OptionsWindowMessage(message, wParam, lParam, &result)) return result;
      break;
    default:
      if (message == TestTrayStateMessage()) {
        // For the tests: the tip as a global atom (which the caller deletes),
        // or the picture.
        if (!TestSeamsOn()) return 0;
        return wParam == 0 ? GlobalAddAtomW(Wide(CurrentTrayTip()).c_str()) : CurrentTrayPicture();
      }
      if (message == TestDropMessage()) {
        if (!TestSeamsOn()) return 0;
        auto target = reinterpret_cast<HWND>(lParam);
        DWORD process = 0;
        if (!target || !GetWindowThreadProcessId(target, &process) || process != GetCurrentProcessId()) target = window;
        if (HGLOBAL drop = DropOf(static_cast<ATOM>(wParam))) {
          SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);  // which lets it go
        }
        return 0;
      }
      if (message == TestHookFaultMessage()) {
        InjectHookFault(static_cast<DWORD>(wParam));
        return 0;
      }
      if (message == TaskbarCreatedMessage()) {
        RestoreTrayIcon();  // Explorer restarted and forgot every icon, or the DPI changed
        return 0;
      }
      break;
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

void TfrmMain::HandleTrayMessage(HWND window, UINT event) {
  // The button press acts, as it always did; the keyboard reaches the same
  // actions (Enter or Space on the focused icon, and the menu key), while the
  // menu that the shell asks for after a right click is not opened twice.
  static DWORD lastMenuClosed = 0;
  auto menu = [&] {
    UINT command = ShowTrayMenu(window);
    lastMenuClosed = GetTickCount();
    if (command) HandleCommand(window, command);
  };
  switch (event) {
    case WM_LBUTTONDOWN:
    case NIN_KEYSELECT:
      if (settings.MouseActionIndex == 0) ToggleMute();
      if (settings.MouseActionIndex == 1) ShowOptions();
      break;
    case WM_RBUTTONDOWN:
      menu();
      break;
    case WM_CONTEXTMENU:
      if (GetTickCount() - lastMenuClosed > kTrayMenuEchoMs) menu();
      break;
    default:
      break;
  }
}

void TfrmMain::HandleHotkey(WPARAM id) {
  switch (HotkeyActionOf(id)) {
    case kHotkeyOptions: ShowOptions(); break;
    case kHotkeySound: ToggleMute(); break;
    case kHotkeyVolumeUp: RaiseGlobalVolume(); break;
    case kHotkeyVolumeDown: LowerGlobalVolume(); break;
    case kHotkeyNextScheme: StepScheme(+1); break;
    case kHotkeyPrevScheme: StepScheme(-1); break;
    default: break;
  }
}

bool TfrmMain::HandleCommand(HWND window, UINT command) {
  switch (command) {
    case kCmdOptions: ShowOptions(); return true;
    case kCmdExit: PostMessageW(window, WM_CLOSE, 0, 0); return true;
    case kCmdCloseWindow: actHideMainForm(); return true;
    default: return HandleMenuCommand(window, command);
  }
}

void TfrmMain::FollowModel(unsigned changes) {
  if (changes & kChangedReverb) ApplyEaxPreset(settings.EaxEnv);
  // The slices of a scheme are cut when it becomes current, changes, or the
  // output (and with it the library's cache) is opened anew.
  if (changes & (kChangedCurrentScheme | kChangedSchemeList | kChangedDevice)) PrepareCurrentScheme();
  if (changes & kChangedMute) {
    // Muted, the output lets the device go; unmuted, the user is there.
    if (settings.MuteSound) {
      RestAudio();
    } else {
      NoteUserActivity();
    }
  }
  if ((changes & kChangedHotkeys) && handle_) SyncHotkeys(handle_);
  // Every change the user made is kept soon, not only at the exit (the
  // quiet of a rule is not the user's).
  if (autosaving_ && handle_ && (changes & ~kChangedQuiet)) ScheduleSave(handle_);
}

// The device numbers change when outputs come and go; the chosen output is
// known by its endpoint id. Present under another number, it is used under
// that number; absent, DeviceID is used as it is.
// A settings file from before endpoints were kept gets the endpoint of its
// device, so that the next start finds it again.
void TfrmMain::FollowChosenEndpoint() {
  int device = DeviceOfEndpoint(settings.DeviceEndpoint);
  if (device > 0 && device != settings.DeviceID) {
    SetDevice(device, settings.DeviceEndpoint, settings.Support3D, settings.SupportEAX);
  } else if (settings.DeviceEndpoint.empty() && settings.DeviceID > 0) {
    SetDevice(settings.DeviceID, DeviceEndpointId(settings.DeviceID), settings.Support3D, settings.SupportEAX);
  }
}

void TfrmMain::RecoverInput(bool reinstall) {
  if (reinstall) ReinstallInputHook();  // the hook library forgets its held keys
  ShowTrayPicture(settings.MuteSound ? kPictureSoundOff : kPictureSoundOn);
}

void TfrmMain::FormCreate(HWND window) {
  SetCommandServices({SetAutoRun, WriteLog});
  Subscribe(FollowModel);
  // The first lines of a run say which version runs and where its files are.
  WriteLog("Brisolt " BRISOLT_VERSION " starts");
  WriteLog(DataFolderDescription());
  StartInputHook(window);
  LoadConfigurationFrom(DataFolder(), firstStart);
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(SmallIcon(settings.MuteSound ? kIconSoundOff : kIconSoundOn)));
  AddTrayIcon(window);
  RegisterHotkeys(window);
  FollowChosenEndpoint();
  StartAudio(window, firstStart);
  PrepareCurrentScheme();
  SetTimer(window, kHookWatchdogTimer, kHookWatchdogMs, nullptr);
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  WatchForeground();
  StartQuietWatch(window);
  // Run as administrator, the program still hears a second start, a
  // restarted Explorer and a sound pack dropped from Explorer (the drop's
  // data comes in two messages of its own) from programs below it.
  constexpr UINT kCopyGlobalData = 0x0049;
  for (UINT allowed : {WM_ACTIVATE_INSTANCE, TaskbarCreatedMessage(), UINT{WM_DROPFILES}, UINT{WM_COPYDATA}, kCopyGlobalData}) {
    if (!ChangeWindowMessageFilterEx(window, allowed, MSGFLT_ALLOW, nullptr)) {
      WriteLog("Unable to let message " + std::to_string(allowed) + " through to the main window");
    }
  }
  AnnounceModelChange(kChangedDevice);  // the options window shows what the device allows
  autosaving_ = true;  // from now on, changes are the user's
  // The window is not shown: the program starts hidden.
  if (firstStart) ShowBalloon("Welcome to Brisolt!", "Press any key of keyboard...", 10000);
  TrimWorkingSet();
}

void TfrmMain::FormClose() {
  if (closing_) return;
  closing_ = true;
  // A failed save is logged inside; the exit goes on regardless, so the hook
  // is never left running without its window.
  SaveConfigurationTo(DataFolder());
  KillTimer(handle_, kHookWatchdogTimer);
  WTSUnRegisterSessionNotification(handle_);
  StopWatchingForeground();
  StopQuietWatch();
  StopInputHook();
  UnregisterHotkeys(handle_);
  RemoveTrayIcon();
  DestroyWindow(handle_);
}

void TfrmMain::FormDestroy() {
  OptionsWindowDestroy();
  schemeList.Clear();
  ShutdownAudio();
  handle_ = nullptr;
  PostQuitMessage(0);
}

bool TfrmMain::WMSysCommand(WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:     // close box and Alt+F4
    case SC_MINIMIZE:  // "Ok" and "Cancel" minimise the window
      actHideMainForm();
      return true;
    default:
      return false;
  }
}

void TfrmMain::ShowOptions() {
  if (!handle_) return;
  bool shown = IsWindowVisible(handle_) != FALSE;
  ShowWindow(handle_, IsIconic(handle_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(handle_);
  // A fresh showing starts on the page control; one already shown keeps its focus.
  if (!shown) SendMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(handle_, IDC_pagMain)), TRUE);
}

void TfrmMain::actHideMainForm() {
  if (handle_) ShowWindow(handle_, SW_HIDE);  // FormHide trims the working set
}

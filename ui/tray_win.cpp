#include "ui/tray.h"

#include <shellapi.h>
#include <shellscalingapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "app/commands.h"
#include "app/log.h"
#include "base/test_seams.h"
#include "base/wide_text.h"
#include "input/dispatch.h"
#include "input/quiet_rules.h"
#include "settings/settings.h"
#include "ui/icons.h"

namespace {

constexpr UINT kTrayId = 1;
constexpr size_t kTipCapacity = 64;  // 63 characters and the terminating zero
// At logon the program can start before the notification area exists: the
// icon is tried again every 2 s for 2 minutes.
constexpr UINT kTrayRetryMs = 2000;
constexpr int kTrayRetries = 60;
// The icon's picture for each TrayPicture.
constexpr ProgramIcon kTrayPictureIcons[kTrayPictureCount] = {kIconSoundOn, kIconSoundOff, kIconKeyDown,
                                                              kIconButtonDown};

struct Balloon {
  std::string title;
  std::string text;
  UINT timeoutMs = 0;
};

HWND owner = nullptr;
int picture = kPictureSoundOn;
std::string tip;
std::string notice;  // said by the tip instead of the scheme while it holds
bool added = false;
int retriesLeft = 0;
int subscription = 0;
int failuresToInject = 0;  // a test's notification area that is not there yet
std::optional<Balloon> waitingBalloon;  // asked for before the icon existed
// The pictures at the notification area's size, which follows the DPI of
// the primary monitor (where the taskbar's icons are drawn).
int pictureSize = 0;
std::array<ScopedIcon, kTrayPictureCount> pictures;

int NotificationAreaIconSize() {
  UINT dpiX = 0, dpiY = 0;
  HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (FAILED(GetDpiForMonitor(primary, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) || dpiX == 0) dpiX = GetDpiForSystem();
  return GetSystemMetricsForDpi(SM_CXSMICON, dpiX);
}

// Loads the pictures again when the size has changed; true when it has.
bool LoadPictures() {
  int size = NotificationAreaIconSize();
  if (size == pictureSize && pictures[0]) return false;
  for (int i = 0; i < kTrayPictureCount; ++i) pictures[static_cast<size_t>(i)] = LoadProgramIcon(kTrayPictureIcons[i], size);
  pictureSize = size;
  return true;
}

// The fixed text fields of the icon's data, cut to fit.
template <size_t N>
void CopyTruncated(wchar_t (&field)[N], const std::string& text) {
  std::wstring wide = Wide(text);
  if (wide.size() >= N) wide.resize(N - 1);
  std::copy(wide.begin(), wide.end(), field);
  field[wide.size()] = L'\0';
}

bool Send(DWORD command, const Balloon* balloon = nullptr) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kTrayId;
  if (command == NIM_SETVERSION) {
    data.uVersion = NOTIFYICON_VERSION_4;
  } else if (command != NIM_DELETE) {
    // Version 4 shows the standard tip only when asked to.
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = WM_TRAY_ICON;
    data.hIcon = pictures[static_cast<size_t>(picture)].get();
    CopyTruncated(data.szTip, tip);
  }
  if (balloon) {
    data.uFlags |= NIF_INFO;
    CopyTruncated(data.szInfoTitle, balloon->title);
    CopyTruncated(data.szInfo, balloon->text);
    data.uTimeout = balloon->timeoutMs;
    data.dwInfoFlags = NIIF_INFO;
  }
  if (command == NIM_ADD && failuresToInject > 0) {
    --failuresToInject;
    return false;
  }
  return Shell_NotifyIconW(command, &data) != FALSE;
}

void StopRetrying() {
  if (retriesLeft > 0 && owner) KillTimer(owner, kTrayRetryTimer);
  retriesLeft = 0;
}

// Adds the icon, or takes it over where the notification area already has
// it ("TaskbarCreated" also comes on DPI and remote-session changes, with
// the icon still there). A balloon asked for in the meantime follows.
bool Place() {
  added = Send(NIM_ADD) || Send(NIM_MODIFY);
  if (!added) return false;
  Send(NIM_SETVERSION);
  StopRetrying();
  if (waitingBalloon) {
    Balloon balloon = *waitingBalloon;
    waitingBalloon.reset();
    Send(NIM_MODIFY, &balloon);
  }
  return true;
}

void PlaceOrRetry() {
  if (Place() || retriesLeft > 0 || !owner) return;
  retriesLeft = kTrayRetries;
  SetTimer(owner, kTrayRetryTimer, kTrayRetryMs, nullptr);
}

void Update() {
  if (!owner) return;
  if (!added && retriesLeft > 0) return;  // the retry timer puts it back with what is current
  if (added && Send(NIM_MODIFY)) return;
  added = false;  // the notification area lost it (Explorer ended): it comes back
  PlaceOrRetry();
}

// Muted by the user or quiet by a rule, the icon shows the sound off.
int MutePicture() { return settings.MuteSound || !QuietReasonNow().empty() ? kPictureSoundOff : kPictureSoundOn; }

void OnModelChange(ModelChanges changes) {
  if (!(changes & (kChangedMute | kChangedCurrentScheme | kChangedQuiet))) return;
  if (changes & (kChangedMute | kChangedQuiet)) picture = MutePicture();
  tip = notice.empty() ? TrayTip() : notice;
  Update();
}

}  // namespace

std::string TrayTip() {
  std::wstring ending;
  if (!QuietReasonNow().empty()) ending = Wide(" - " + QuietTipEnding(QuietReasonNow()));
  std::wstring text = Wide("Brisolt - " + settings.CurrentSchemeName);
  // A long scheme name is cut, never the reason of the quiet.
  size_t room = kTipCapacity - 1 > ending.size() ? kTipCapacity - 1 - ending.size() : 0;
  if (text.size() > room) text.resize(room);
  // Do not leave half of a character outside the basic plane at the cut.
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
  return Utf8((text + ending).substr(0, kTipCapacity - 1));
}

std::string CurrentTrayTip() { return tip; }
int CurrentTrayPicture() { return picture; }

void AddTrayIcon(HWND window) {
  owner = window;
  picture = MutePicture();
  tip = TrayTip();
  failuresToInject = TestSeamValue("BRISOLT_TEST_TRAY_ADD_FAILURES");
  LoadPictures();
  PlaceOrRetry();
  if (!subscription) subscription = Subscribe(OnModelChange);
}

void RetryTrayIcon() {
  if (retriesLeft <= 0 || Place()) return;
  if (--retriesLeft == 0) {
    KillTimer(owner, kTrayRetryTimer);
    WriteLog("Unable to add the tray icon");
  }
}

bool TrayIconShown() { return added; }

void SetTrayNotice(const std::string& text) {
  std::wstring wide = Wide(text);
  if (wide.size() > kTipCapacity - 1) wide.resize(kTipCapacity - 1);
  if (Utf8(wide) == notice) return;
  notice = Utf8(wide);
  tip = notice.empty() ? TrayTip() : notice;
  Update();
}

void ShowTrayPicture(int newPicture) {
  if (newPicture < 0 || newPicture >= kTrayPictureCount || newPicture == picture) return;
  picture = newPicture;
  Update();
}

void RemoveTrayIcon() {
  StopRetrying();
  if (owner && added) Send(NIM_DELETE);
  added = false;
  waitingBalloon.reset();
  Unsubscribe(subscription);
  subscription = 0;
}

void ShowBalloon(const std::string& title, const std::string& text, UINT timeoutMs) {
  Balloon balloon{title, text, timeoutMs};
  if (owner && added && Send(NIM_MODIFY, &balloon)) return;
  waitingBalloon = balloon;  // shown once the icon exists
}

void RestoreTrayIcon() {
  if (!owner) return;
  LoadPictures();
  PlaceOrRetry();
}

void TrayDisplayChanged() {
  if (owner && LoadPictures()) Update();
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

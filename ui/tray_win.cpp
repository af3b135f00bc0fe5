#include "ui/tray.h"

#include <shellapi.h>

#include <cstring>

#include "app/commands.h"
#include "input/dispatch.h"
#include "settings/settings.h"
#include "ui/icons.h"

namespace {

constexpr UINT kTrayId = 1;
constexpr size_t kTipCapacity = 64;  // 63 characters and the terminating zero
// The icon's picture for each TrayPicture.
constexpr ProgramIcon kTrayPictureIcons[kTrayPictureCount] = {kIconSoundOn, kIconSoundOff, kIconKeyDown,
                                                              kIconButtonDown};

HWND owner = nullptr;
int picture = kPictureSoundOn;
std::string tip;
bool added = false;
int subscription = 0;

bool Send(DWORD command, bool balloon = false, const std::string& title = "", const std::string& text = "",
          UINT timeout = 0) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kTrayId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_ICON;
  data.hIcon = SmallIcon(kTrayPictureIcons[picture]);
  std::strncpy(data.szTip, tip.c_str(), sizeof data.szTip - 1);
  if (balloon) {
    data.uFlags |= NIF_INFO;
    std::strncpy(data.szInfoTitle, title.c_str(), sizeof data.szInfoTitle - 1);
    std::strncpy(data.szInfo, text.c_str(), sizeof data.szInfo - 1);
    data.uTimeout = timeout;
    data.dwInfoFlags = NIIF_INFO;
  }
  return Shell_NotifyIconA(command, &data) != FALSE;
}

void Update() {
  if (owner) Send(added ? NIM_MODIFY : NIM_ADD);
}

int MutePicture() { return settings.MuteSound ? kPictureSoundOff : kPictureSoundOn; }

void OnModelChange(ModelChanges changes) {
  if (!(changes & (kChangedMute | kChangedCurrentScheme))) return;
  if (changes & kChangedMute) picture = MutePicture();
  tip = TrayTip();
  Update();
}

}  // namespace

std::string TrayTip() {
  std::string text = "Brisolt - " + settings.CurrentSchemeName;
  if (text.size() > kTipCapacity - 1) {
    text.resize(kTipCapacity - 1);
    // Do not leave half of a double-byte character at the cut.
    size_t i = 0;
    while (i < text.size()) {
      size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
      if (i + step > text.size()) {
        text.resize(i);
        break;
      }
      i += step;
    }
  }
  return text;
}

void AddTrayIcon(HWND window) {
  owner = window;
  picture = MutePicture();
  tip = TrayTip();
  added = Send(NIM_ADD);
  if (!subscription) subscription = Subscribe(OnModelChange);
}

void ShowTrayPicture(int newPicture) {
  if (newPicture < 0 || newPicture >= kTrayPictureCount || newPicture == picture) return;
  picture = newPicture;
  Update();
}

void RemoveTrayIcon() {
  if (owner && added) Send(NIM_DELETE);
  added = false;
  Unsubscribe(subscription);
  subscription = 0;
}

void ShowBalloon(const std::string& title, const std::string& text, UINT timeoutMs) {
  if (owner) Send(NIM_MODIFY, true, title, text, timeoutMs);
}

void RestoreTrayIcon() {
  if (owner) added = Send(NIM_ADD);
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

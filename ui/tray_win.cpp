#include "ui/tray.h"

#include <shellapi.h>

#include <cstring>

#include "input/dispatch.h"
#include "settings/settings.h"

namespace {

constexpr UINT kTrayId = 1;
constexpr size_t kTipCapacity = 64;  // 63 characters and the terminating zero

HWND owner = nullptr;
int picture = kPictureSoundOn;
std::string tip;
bool added = false;

bool Send(DWORD command, bool balloon = false, const std::string& title = "", const std::string& text = "",
          UINT timeout = 0) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kTrayId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_ICON;
  data.hIcon = SmallIcon(picture);
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

}  // namespace

HICON SmallIcon(int index) {
  static HICON icons[13] = {};
  if (index < 0 || index >= 13) return nullptr;
  if (!icons[index]) {
    int size = GetSystemMetrics(SM_CXSMICON);
    icons[index] = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), kIconNames[index], IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  }
  return icons[index];
}

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

void AddTrayIcon(HWND window, int newPicture, const std::string& newTip) {
  owner = window;
  picture = newPicture;
  tip = newTip;
  added = Send(NIM_ADD);
}

void SetTrayIcon(int newPicture, const std::string& newTip) {
  if (newPicture != kNoPictureChange) picture = newPicture;
  tip = newTip;
  if (owner) Send(added ? NIM_MODIFY : NIM_ADD);
}

void RemoveTrayIcon() {
  if (owner && added) Send(NIM_DELETE);
  added = false;
}

void ShowBalloon(const std::string& title, const std::string& text, UINT timeoutMs) {
  if (owner) Send(NIM_MODIFY, true, title, text, timeoutMs);
}

void RestoreTrayIcon() {
  if (owner) added = Send(NIM_ADD);
}

int CurrentTrayPicture() { return picture; }

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

void pmiMuteClick() {
  settings.MuteSound = !settings.MuteSound;
  SetTrayIcon(settings.MuteSound ? kPictureSoundOff : kPictureSoundOn, TrayTip());
}

HIMAGELIST IconListAtDpi(int dpi) {
  int size = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi));
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 13, 0);
  for (const char* name : kIconNames) {
    auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, size, size, 0));
    ImageList_AddIcon(images, icon);
    DestroyIcon(icon);
  }
  return images;
}

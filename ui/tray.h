#pragma once
// The notification-area icon: its pictures, its tip and its messages.

#include <windows.h>
#include <commctrl.h>

#include <string>

inline constexpr UINT WM_TRAY_ICON = WM_USER + 123;  // 0x47B

// The icon resources of the image list, by index.
inline constexpr const char* kIconNames[13] = {
    "zMainEnableXP", "zMainDisableXP", "zMainEnableXP1", "zMainEnableXP2", "zBallEnableXP",
    "zBallDisableXP", "zOptionsXP", "zSoundsEnableXP", "zSoundsDisableXP", "zSchemeXP",
    "zHelpXP", "zExitXP", "zschemeEAX"};

// Picture `index` at the size of small icons (16 px at 100 %, 20 at 125 %,
// 24 at 150 %, 32 at 200 %), from the multi-size resources; kept for the run.
HICON SmallIcon(int index);
// The 13 pictures as an image list at the small-icon size of `dpi`, for the
// lists of the windows (the caller destroys it).
HIMAGELIST IconListAtDpi(int dpi);

// "Brisolt - " and the current scheme's name, cut safely to the 63
// characters the notification area holds.
std::string TrayTip();

void AddTrayIcon(HWND window, int picture, const std::string& tip);
// Changes the picture (kNoPictureChange keeps it) and the tip.
void SetTrayIcon(int picture, const std::string& tip);
void RemoveTrayIcon();
// A balloon on the tray icon with the information icon.
void ShowBalloon(const std::string& title, const std::string& text, UINT timeoutMs);
// Explorer restarted: put the icon back with its current picture and tip.
void RestoreTrayIcon();
int CurrentTrayPicture();

// The "TaskbarCreated" message that Explorer broadcasts when it starts.
UINT TaskbarCreatedMessage();

// The sound on/off command of the tray menu and the sound hotkey.
void pmiMuteClick();

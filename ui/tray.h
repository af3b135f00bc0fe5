#pragma once
// The notification-area icon: its pictures, its tip and its messages.

#include <windows.h>

#include <string>

inline constexpr UINT WM_TRAY_ICON = WM_USER + 123;  // 0x47B
// The main window's timer that tries the icon again while the notification
// area is not there.
inline constexpr UINT_PTR kTrayRetryTimer = 2;

// "Brisolt - " and the current scheme's name, cut safely to the 63
// characters the notification area holds; while a quiet rule holds, it ends
// with " - quiet: <reason>".
std::string TrayTip();
// What the icon shows now: its tip and its TrayPicture (for the tests).
std::string CurrentTrayTip();
int CurrentTrayPicture();

// Adds the icon with the picture of the mute state and the tip of the current
// scheme; from then on it follows both by itself. Where the notification
// area is not there yet, the icon is tried again (RetryTrayIcon on each
// kTrayRetryTimer) for 2 minutes.
void AddTrayIcon(HWND window);
void RetryTrayIcon();
// A notice that the tip shows instead of the scheme while it holds ("" ends it).
void SetTrayNotice(const std::string& notice);
// The notification area holds the icon.
bool TrayIconShown();
// A TrayPicture of the key and mouse dispatch (kNoPictureChange keeps the
// picture). Explorer is only asked when the picture actually changes.
void ShowTrayPicture(int picture);
void RemoveTrayIcon();
// A balloon on the tray icon with the information icon; asked for before the
// icon exists, it is shown when it does.
void ShowBalloon(const std::string& title, const std::string& text, UINT timeoutMs);
// "TaskbarCreated" (Explorer restarted, or the DPI or the remote session
// changed): put the icon back, or take over the one that is still there, at
// the notification area's current size.
void RestoreTrayIcon();
// The DPI or the theme changed: the pictures follow the new size.
void TrayDisplayChanged();

// The "TaskbarCreated" message that Explorer broadcasts when it starts.
UINT TaskbarCreatedMessage();

#pragma once
// The notification-area icon: its pictures, its tip and its messages.

#include <windows.h>

#include <string>

inline constexpr UINT WM_TRAY_ICON = WM_USER + 123;  // 0x47B

// "Brisolt - " and the current scheme's name, cut safely to the 63
// characters the notification area holds.
std::string TrayTip();

// Adds the icon with the picture of the mute state and the tip of the current
// scheme; from then on it follows both by itself.
void AddTrayIcon(HWND window);
// A TrayPicture of the key and mouse dispatch (kNoPictureChange keeps the
// picture). Explorer is only asked when the picture actually changes.
void ShowTrayPicture(int picture);
void RemoveTrayIcon();
// A balloon on the tray icon with the information icon.
void ShowBalloon(const std::string& title, const std::string& text, UINT timeoutMs);
// Explorer restarted: put the icon back with its current picture and tip.
void RestoreTrayIcon();

// The "TaskbarCreated" message that Explorer broadcasts when it starts.
UINT TaskbarCreatedMessage();

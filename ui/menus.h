#pragma once
// The tray menu and the options window's menu bar, rebuilt at every opening.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

// Menu command identifiers (WM_COMMAND).
enum MenuCommand : UINT {
  kCmdOptions = 100,
  kCmdMute,
  kCmdAbout,
  kCmdSendMessage,
  kCmdWebSite,
  kCmdExit,
  kCmdCloseWindow,
  kCmdSelectAudioDevice,
  kCmdSchemeFirst = 1000,  // + scheme index
  kCmdSchemeLast = 1999,
  kCmdEaxFirst = 2000,     // + preset index
  kCmdEaxLast = 2026,
};

// The image list of the program's 13 pictures (16 x 16), for menus and lists.
HIMAGELIST IconList();
void DestroyIconList();
// The pictures of menu items (WM_MEASUREITEM / WM_DRAWITEM of the menu's owner).
bool MenuMeasureItem(MEASUREITEMSTRUCT* item);
bool MenuDrawItem(const DRAWITEMSTRUCT* item);

// "Ctrl+Alt+O" for a stored combination; empty for 0.
std::string HotkeyText(uint16_t hotKey);

// Opens the tray menu at the cursor and carries out the chosen command.
void ShowTrayMenu(HWND window);
// Fills the "Scheme" menu of the bar as it opens.
void miSchemeClick(HMENU schemeMenu);
// Carries out a menu command; false if it is not one of these menus'.
bool HandleMenuCommand(HWND window, UINT command);

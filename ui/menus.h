#pragma once
// The tray menu and the options window's menu bar, rebuilt at every opening
// from the model.

#include <windows.h>

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
  kCmdQuietInProgram,  // the tray menu's "Quiet in <program>"
  kCmdImportPack,      // the Scheme menu's "Import sound pack..."
  kCmdExportPack,
  kCmdSchemeFirst = 1000,  // + scheme index
  kCmdSchemeLast = 1999,
  kCmdEaxFirst = 2000,     // + preset index
  kCmdEaxLast = 2026,
};

// The pictures of menu items (WM_MEASUREITEM / WM_DRAWITEM of the menu's owner).
bool MenuMeasureItem(MEASUREITEMSTRUCT* item);
bool MenuDrawItem(const DRAWITEMSTRUCT* item);

// "Ctrl+Alt+O" for a stored combination; empty for 0.
std::string HotkeyText(uint16_t hotKey);

// Opens the tray menu at the cursor; returns the chosen command, 0 for none.
UINT ShowTrayMenu(HWND window);
// Fills the "Scheme" menu of the bar as it opens.
void miSchemeClick(HMENU schemeMenu);
// Carries out the menus' commands that change the model or open a window
// owned by `window`; false for any other command (options, exit, close).
bool HandleMenuCommand(HWND window, UINT command);

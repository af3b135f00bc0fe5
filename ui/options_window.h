#pragma once
// The content of the options window (TfrmMain seen as a dialog): five pages,
// Apply/Ok/Cancel, the global volume slider and the scheme list. The window's
// life (creation, hiding, exit) belongs to TfrmMain; everything the user sees
// and changes in it is handled here.

#include <windows.h>

#include <string>

// Builds the pages inside the freshly created dialog and fills the fixed lists.
void OptionsWindowCreate(HWND dialog);
void OptionsWindowDestroy();
// Handles the dialog's own control messages (WM_COMMAND of its buttons,
// WM_NOTIFY of the page control, WM_VSCROLL of the slider, colours, DPI
// changes). True when handled; *result is then the message's result.
bool OptionsWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Keyboard handling that the dialog manager does not do (the tab order
// across the page control, Ctrl+Tab between pages). True when consumed.
bool OptionsWindowPreTranslate(const MSG& msg);

// FormShow: runs actStates, the fill of every control from the settings.
void actStatesExecute();
// Refreshes the row markers of the scheme list (only while the window shows)
// and repaints the list, so that the row colours follow.
void actSetStateImageIndexExecute();
// After the current scheme was changed from a menu or a hotkey: markers,
// colours and the scheme buttons follow the new current scheme.
void SchemeChangedElsewhere();

// The scheme list's rows, as the scheme editor reads and changes them.
int SelectedSchemeRow();
int SchemeRowCount();
std::string SchemeRowCaption(int row);
void SetSchemeRowCaption(int row, const std::string& name);
// Appends a row for a new scheme, selects it and refreshes the markers.
void AppendSchemeRow(const std::string& name);

// tbGlobalVolume and lblPerc from GlobalVolume (the volume hotkeys).
void ShowGlobalVolume();
// The Effects page's preset line (the tray menu's EAX submenu).
void SelectEaxLine(int index);
// After a device change: lblSoundCard, and cbEAX and tbGlobalVolume enabled
// as the device allows.
void ShowDeviceState();
// Start-up: the slider works only with a sound device (DeviceID not 0).
void EnableGlobalVolume(bool enabled);

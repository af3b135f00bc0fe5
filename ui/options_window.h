#pragma once
// The content of the options window (TfrmMain seen as a dialog): five pages,
// Apply/Ok/Cancel, the global volume slider and the scheme list. The window's
// life (creation, hiding, exit) belongs to TfrmMain; everything the user sees
// and changes in it is handled here. It follows the model by itself (it
// subscribes to the commands' announcements from its creation on).

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

// Sound packs, from the Schemes page's "Import..." and "Export...", the
// Scheme menu and what is dropped on the window. An imported pack becomes a
// scheme, current and selected at once; a pack that cannot be imported gets
// a message box saying why, and leaves nothing behind.
void ChooseSoundPackToImport();
void ImportSoundPackFrom(const std::string& path);
// Writes the scheme selected in the list (the current one when none is) as
// a pack's zip file, chosen in a save dialog.
void ChooseSoundPackExport();

#pragma once
// The about box (TfrmAbout), a modeless window that stays on top, and the
// mail and web actions of the Help menus.

#include <windows.h>

// "About": shows the about box, owned by `owner` (the main window). While one
// is open this does nothing, not even bring it to the front.
void actShowAboutExecute(HWND owner);

// "Send Message..." and a click on the about box's address: a new mail
// message to the maker with the product as its subject. `owner` is the window
// the shell may show its own messages over.
void actSendMessageExecute(HWND owner);

// "Brisolt Web Site": the maker's web site in the default browser.
void actGoToWebSiteExecute(HWND owner);

// For the message loop: Tab, Enter and Esc of the open about box. True if
// the message was the box's and has been handled; false when none is open.
bool AboutBoxMessage(MSG& msg);

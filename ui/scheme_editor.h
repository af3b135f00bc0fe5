#pragma once
// The scheme editor (TfrmSchemes): one scheme's 24 keyboard categories (the
// "Categories" page), the sounds of its single keys (the "Keyboard" page, a
// picture of the keyboard), its keyboard switch and its name, edited in a
// working copy that OK puts in the scheme's place and "Save as..." adds as a
// new scheme.

#include <windows.h>

#include <string>

// Shows the editor modally for the scheme at `index` of SchemeList, named
// `name`; `current` marks the current scheme (a rename then renames the
// current scheme too). Key sounds are quiet while it is open. Returns when the
// editor has closed: the index in SchemeList of the scheme that OK or
// "Save as..." committed, or -1 when nothing was committed.
int RunSchemeEditor(HWND owner, int index, const std::string& name, bool current);

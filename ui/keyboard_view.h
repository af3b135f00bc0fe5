#pragma once
// The keyboard picture of the scheme editor: a control of its own that draws
// every key (and the mouse's two buttons) in the colour of where its sound
// comes from, and tells its parent what the user does with a key.

#include <windows.h>

#include <string>
#include <vector>

#include "ui/keyboard_layout.h"

inline constexpr wchar_t kKeyboardViewClass[] = L"BrisoltKeyboard";

// Registers the window class once; true when it is registered (or already was).
bool RegisterKeyboardView(HINSTANCE instance);

enum class KeySource { kOwn, kCategory, kSilent };

struct KeyLook {
  KeySource source = KeySource::kSilent;
  bool ownRelease = false;  // the key has a release sound of its own: a mark in its corner
  std::string tip;          // UTF-8, lines apart by "\n"; empty: the key's name
};

// The parent tells the view what each key shows: wParam 0, lParam a
// const std::vector<KeyLook>* of kKeyCount + 2 entries (rows of KeyTable(),
// then kKeyLeftButton and kKeyRightButton), which the view copies.
inline constexpr UINT KVM_SETLOOKS = WM_USER + 1;
inline constexpr UINT KVM_GETFOCUSKEY = WM_USER + 2;  // returns the focused key
inline constexpr UINT KVM_SETFOCUSKEY = WM_USER + 3;  // wParam: the key; a key not drawn is ignored
// wParam: a key; lParam: RECT* that gets the key's rectangle in client
// pixels (empty for a key not drawn). Returns TRUE for a drawn key.
inline constexpr UINT KVM_GETKEYRECT = WM_USER + 4;

// WM_NOTIFY to the parent; header.idFrom is the control's id.
struct NMKEYBOARDVIEW {
  NMHDR header;
  int key;
  const wchar_t* path;  // the dropped file, only for KVN_DROPFILE; valid during the notification
};

enum : UINT {
  KVN_PREVIEW = 1,      // play the key's press sound (mouse down, Space down, "Play")
  KVN_PREVIEWRELEASE,   // the press has ended: play its release sound
  KVN_EDIT,             // choose the key's sound (double click, Enter, "Choose sound...")
  KVN_RESET,            // the key goes back to its category's sound (Delete, the menu)
  KVN_DROPFILE,         // a file was dropped on the key
};

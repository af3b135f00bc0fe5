#pragma once
// Small things every window of the program needs.

#include <windows.h>

#include <string>

// The whole text of a window or control, and setting it; text is UTF-8 in
// the program, and every window of it is a Unicode window.
std::string WindowText(HWND window);
void SetText(HWND window, const std::string& text);
void SetItemText(HWND dialog, int item, const std::string& text);
// A line at the end of a combo box's or a list box's list.
void AddComboText(HWND combo, const std::string& text);
void AddListText(HWND list, const std::string& text);

// The open-file dialog: the full path chosen, or "" when it was cancelled.
// `filter` is the dialog's list of pairs ("Wave\0*.wav\0...\0"); without
// mustExist, a name that is typed is taken as it is (with defaultExtension
// added when it has none).
struct FileChoice {
  const wchar_t* filter = nullptr;
  std::string initialFolder;
  const wchar_t* title = nullptr;
  const wchar_t* defaultExtension = nullptr;
  bool mustExist = true;
  bool save = false;  // a save dialog, which asks before replacing a file
  std::string initialName;
};
std::string ChooseFile(HWND owner, const FileChoice& choice);

// The object a dialog was started with (the last argument of
// DialogBoxParam), kept with the dialog from WM_INITDIALOG on; null before.
template <typename T>
T* DialogObject(HWND dialog, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  return reinterpret_cast<T*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Moves (and, when width and height are given, sizes) a window so that it is
// centred over its owner, or over the work area when the owner is hidden.
void CentreOverOwner(HWND window, int width = 0, int height = 0);

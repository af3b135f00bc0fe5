#pragma once
// Small things every window of the program needs.

#include <windows.h>

#include <string>

// The whole text of a window or control.
std::string WindowText(HWND window);

// The object a dialog was started with (the last argument of
// DialogBoxParam), kept with the dialog from WM_INITDIALOG on; null before.
template <typename T>
T* DialogObject(HWND dialog, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  return reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Moves (and, when width and height are given, sizes) a window so that it is
// centred over its owner, or over the work area when the owner is hidden.
void CentreOverOwner(HWND window, int width = 0, int height = 0);

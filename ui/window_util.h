#pragma once
// Small things every window of the program needs.

#include <windows.h>

#include <string>

// The whole text of a window or control.
std::string WindowText(HWND window);

// The text of a list view's cell (column 0 is the row's caption).
std::string ListItemText(HWND list, int row, int column = 0);

// Moves (and, when width and height are given, sizes) a window so that it is
// centred over its owner, or over the work area when the owner is hidden.
void CentreOverOwner(HWND window, int width = 0, int height = 0);

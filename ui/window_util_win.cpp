#include "ui/window_util.h"

std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void CentreOverOwner(HWND window, int width, int height) {
  HWND owner = GetWindow(window, GW_OWNER);
  RECT area{};
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT box{};
  GetWindowRect(window, &box);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (width <= 0 || height <= 0) {
    width = box.right - box.left;
    height = box.bottom - box.top;
    flags |= SWP_NOSIZE;
  }
  SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height, flags);
}

#include "ui/window_util.h"

#include <commctrl.h>

#include <vector>

std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string ListItemText(HWND list, int row, int column) {
  std::vector<char> buffer(256);
  for (;;) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    auto copied = static_cast<size_t>(SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                                   reinterpret_cast<LPARAM>(&item)));
    if (copied + 1 < buffer.size()) return std::string(buffer.data(), copied);
    buffer.resize(buffer.size() * 2);
  }
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

#include "ui/window_util.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "base/wide_text.h"

std::string WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

void SetText(HWND window, const std::string& text) { SetWindowTextW(window, Wide(text).c_str()); }

void SetItemText(HWND dialog, int item, const std::string& text) { SetText(GetDlgItem(dialog, item), text); }

void AddComboText(HWND combo, const std::string& text) {
  std::wstring wide = Wide(text);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void AddListText(HWND list, const std::string& text) {
  std::wstring wide = Wide(text);
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void CentreOverOwner(HWND window, int width, int height) {
  HWND owner = GetWindow(window, GW_OWNER);
  RECT area{};
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
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

std::string ChooseFile(HWND owner, const FileChoice& choice) {
  const std::wstring initial = Wide(choice.initialFolder);
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring name = Wide(choice.initialName);
  std::copy(name.begin(), name.begin() + static_cast<ptrdiff_t>(std::min(name.size(), file.size() - 1)), file.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = choice.filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
  dialog.lpstrTitle = choice.title;
  dialog.lpstrDefExt = choice.defaultExtension;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (choice.mustExist ? OFN_FILEMUSTEXIST : 0) | (choice.save ? OFN_OVERWRITEPROMPT : 0);
  dialog.FlagsEx = OFN_EX_NOPLACESBAR;
  if (!(choice.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return "";
  return Utf8(file.data());
}

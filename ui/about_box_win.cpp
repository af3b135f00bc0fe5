#include "ui/about_box.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "app/exception_boundary.h"
#include "app/startup.h"
#include "app/version.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"
#include "ui/contact.h"
#include "ui/resource.h"
#include "ui/window_util.h"

namespace {

constexpr const char* kProduct = "Brisolt " BRISOLT_VERSION_SHORT " XP";
constexpr const char* kCaption = "About Brisolt " BRISOLT_VERSION_SHORT " XP";
constexpr const char* kMailHint = "Send E-mail to Quendral";
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
// Posted to the box after a dpi change, once the dialog manager has scaled it.
constexpr UINT WM_FIT_MAIL_LABEL = WM_APP + 1;

struct TfrmAbout {
  HWND window = nullptr;
  ScopedBitmap logo;
};

// The open about box, or none.
std::unique_ptr<TfrmAbout> frmAbout;

// The shell may pass an address on to a shell extension, which needs COM in
// the calling thread. The apartment lasts as long as the GUI thread.
void EnsureComForShell() {
  static const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  (void)initialized;
}

// The system's handler for the address decides what happens, and whatever it
// reports is its own: the result is not looked at.
void OpenAddress(HWND owner, const std::string& address) {
  EnsureComForShell();
  ShellExecuteW(owner, nullptr, Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CentreOnScreen(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The address label is as wide as its text (up to the box's edge), so the
// hand cursor and the click belong to the address alone, whatever address a
// distributor puts in.
void FitMailLabel(HWND dialog) {
  HWND label = GetDlgItem(dialog, IDC_lblMail);
  SIZE text{};
  {
    WindowDC dc(label);
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc.get(), kSupportMail, static_cast<int>(std::strlen(kSupportMail)), &text);
  }

  RECT place{};
  GetWindowRect(label, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  RECT client{};
  GetClientRect(dialog, &client);
  const int width = std::min(static_cast<int>(text.cx), static_cast<int>(client.right - place.left));
  SetWindowPos(label, nullptr, 0, 0, width, place.bottom - place.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddMailHint(HWND dialog) {
  HWND hint = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                              GetModuleHandleW(nullptr), nullptr);  // owned by the box, destroyed with it
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, IDC_lblMail));
  std::wstring text = Wide(kMailHint);
  tool.lpszText = text.data();
  SendMessageW(hint, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void FormCreate(HWND dialog, TfrmAbout& box) {
  box.window = dialog;
  SetText(dialog, kCaption);
  box.logo.reset(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  SetItemText(dialog, IDC_lblMail, kSupportMail);
  FitMailLabel(dialog);
  AddMailHint(dialog);
  CentreOnScreen(dialog);
}

// The logo keeps its proportions and fills the picture as far as they allow:
// at 96 dpi that is its own size, drawn pixel for pixel; at other scales the
// dialog units round, so the picture is not exactly a multiple of it.
void DrawLogo(const DRAWITEMSTRUCT& item, HBITMAP logo) {
  const RECT& area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  BITMAP info{};
  if (!logo || !GetObjectW(logo, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
  const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
  const double scale = std::min(static_cast<double>(areaWidth) / info.bmWidth,
                                static_cast<double>(areaHeight) / info.bmHeight);
  const int width = static_cast<int>(std::lround(info.bmWidth * scale));
  const int height = static_cast<int>(std::lround(info.bmHeight * scale));
  const int x = area.left + (areaWidth - width) / 2, y = area.top + (areaHeight - height) / 2;
  ScopedMemoryDC source(CreateCompatibleDC(item.hDC));
  SelectedObject selected(source.get(), logo);
  if (width == info.bmWidth && height == info.bmHeight) {
    BitBlt(item.hDC, x, y, width, height, source.get(), 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchBlt(item.hDC, x, y, width, height, source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  }
}

void btnCloseClick(HWND dialog) { DestroyWindow(dialog); }

void lblMailClick(HWND dialog) { actSendMessageExecute(GetWindow(dialog, GW_OWNER)); }

// However the box closes, it is destroyed and forgotten.
void FormClose(HWND dialog) {
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  frmAbout.reset();
  TrimWorkingSet();
}

INT_PTR HandleAboutMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<TfrmAbout*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      FormCreate(dialog, *reinterpret_cast<TfrmAbout*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        btnCloseClick(dialog);
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_lblMail && HIWORD(wParam) == STN_CLICKED) {
        lblMailClick(dialog);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      // No close button, but Alt+F4 still asks.
      btnCloseClick(dialog);
      return TRUE;
    case WM_DESTROY:
      FormClose(dialog);
      return TRUE;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID != IDC_imgLogo || !box) return FALSE;
      DrawLogo(item, box->logo.get());
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_lblMail) return FALSE;
      SetTextColor(reinterpret_cast<HDC>(wParam), kLinkColour);
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) != GetDlgItem(dialog, IDC_lblMail)) return FALSE;
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_DPICHANGED:
      PostMessageW(dialog, WM_FIT_MAIL_LABEL, 0, 0);
      return FALSE;  // the dialog manager rescales the layout
    case WM_FIT_MAIL_LABEL:
      FitMailLabel(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void actShowAboutExecute(HWND owner) {
  if (frmAbout) return;  // one box at most, and it stays where it is
  frmAbout = std::make_unique<TfrmAbout>();
  HWND box = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner,
                                GuardedDialogProc<HandleAboutMessage>, reinterpret_cast<LPARAM>(frmAbout.get()));
  if (!box) {
    frmAbout.reset();
    return;
  }
  ShowWindow(box, SW_SHOWNORMAL);
}

void actSendMessageExecute(HWND owner) {
  OpenAddress(owner, std::string("mailto:") + kSupportMail + "?subject=" + kProduct);
}

void actGoToWebSiteExecute(HWND owner) { OpenAddress(owner, kWebSite); }

bool AboutBoxMessage(MSG& msg) {
  return frmAbout && frmAbout->window && IsDialogMessageW(frmAbout->window, &msg);
}

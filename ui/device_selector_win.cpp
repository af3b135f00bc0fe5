#include "ui/device_selector.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/exception_boundary.h"
#include "app/startup.h"
#include "audio/audio_engine.h"
#include "base/wide_text.h"
#include "settings/settings.h"
#include "ui/resource.h"
#include "ui/window_util.h"

namespace {

struct TfrmSelector {
  std::vector<std::string> lines;
  int selected = -1;  // the line to preselect, and then the chosen one
};

// However the dialog closes, the selected line (or -1) is the answer.
void FormClose(HWND dialog, TfrmSelector& selector) {
  LRESULT line = SendDlgItemMessageW(dialog, IDC_lbDevices, LB_GETCURSEL, 0, 0);
  selector.selected = line == LB_ERR ? -1 : static_cast<int>(line);
  EndDialog(dialog, IDOK);
  TrimWorkingSet();
}

INT_PTR SelectorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* selector = DialogObject<TfrmSelector>(dialog, message, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      HWND list = GetDlgItem(dialog, IDC_lbDevices);
      for (const std::string& line : selector->lines) {
        AddListText(list, line);
      }
      // A DeviceID with no line (-1, or a device that has gone) selects nothing.
      SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selector->selected), 0);
      // On the first start this is the first window the user sees.
      SetForegroundWindow(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          FormClose(dialog, *selector);
          return TRUE;
        case IDC_lbDevices:
          // lbDevicesDblClick: only a double click on a line closes.
          if (HIWORD(wParam) == LBN_DBLCLK &&
              SendDlgItemMessageW(dialog, IDC_lbDevices, LB_GETCURSEL, 0, 0) != LB_ERR) {
            FormClose(dialog, *selector);
          }
          return TRUE;
        case IDCANCEL:
          return TRUE;  // Escape: no button has the cancel role
        default:
          return FALSE;
      }
    case WM_CLOSE:
      // Not offered by the window (no close button), but the system may ask.
      FormClose(dialog, *selector);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void SelectDeviceAndInit(HWND owner, bool firstStart) {
  TfrmSelector selector;
  selector.lines = DeviceDescriptions();
  selector.selected = settings.DeviceID;
  if (firstStart && selector.lines.size() > 1) selector.selected = 1;  // the first real device
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SELECTOR), owner, GuardedDialogProc<SelectorProc>,
                  reinterpret_cast<LPARAM>(&selector));
  // The choice is kept even when the library turns out to be the wrong one.
  SetDevice(selector.selected, DeviceEndpointId(selector.selected), true, settings.SupportEAX);

  if (!LibraryVersionIsCurrent()) {
    MessageBoxW(nullptr, L"BASS version 2.0 was not loaded", L"Incorrect BASS.DLL", MB_OK);
    if (!owner) ExitProcess(0);  // first start: nothing has been loaded yet
    // While the program runs, its ordinary exit ends it, so the changes of
    // this session are saved rather than thrown away.
    PostMessageW(owner, WM_CLOSE, 0, 0);
    return;
  }
  DeviceAbilities device = OpenDevice(settings.DeviceID, settings.EaxEnv);
  SetDevice(settings.DeviceID, settings.DeviceEndpoint, device.support3D, device.supportEAX);
}

void mnSelectAudioDeviceClick(HWND owner) {
  ShutdownAudio();  // the samples go with the old device
  SelectDeviceAndInit(owner, false);
}

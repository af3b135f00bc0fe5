#include "ui/key_sound_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/exception_boundary.h"
#include "app/program_folder.h"
#include "app/startup.h"
#include "ui/resource.h"
#include "ui/sound_path_rules.h"
#include "ui/window_util.h"

namespace {

constexpr int kThumbLength = 18;  // pixels at 96 dpi

struct TfrmKey {
  std::string caption;
  KeySound* sound;
};


void tbVolumeChange(HWND dialog) {
  auto position = SendDlgItemMessageA(dialog, IDC_tbVolume, TBM_GETPOS, 0, 0);
  SetDlgItemTextA(dialog, IDC_lblProc, (std::to_string(position) + "%").c_str());
}

INT_PTR KeyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = DialogObject<TfrmKey>(dialog, message, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      // In the opener's order: file, caption, position, label.
      SetDlgItemTextA(dialog, IDC_edSoundName, form->sound->fileName.c_str());
      SetWindowTextA(dialog, form->caption.c_str());
      HWND trackBar = GetDlgItem(dialog, IDC_tbVolume);
      SendMessageA(trackBar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
      SendMessageA(trackBar, TBM_SETPAGESIZE, 0, 10);
      SendMessageA(trackBar, TBM_SETTHUMBLENGTH,
                   static_cast<WPARAM>(MulDiv(kThumbLength, static_cast<int>(GetDpiForWindow(dialog)), 96)), 0);
      SendMessageA(trackBar, TBM_SETPOS, TRUE, form->sound->volume);
      SetDlgItemTextA(dialog, IDC_lblProc, (form->sound->volumeText + "%").c_str());
      SendDlgItemMessageA(dialog, IDC_edSoundName, EM_SETSEL, 0, -1);
      CentreOverOwner(dialog);
      return TRUE;  // the focus goes to the file field
    }
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_tbVolume)) tbVolumeChange(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_btnOpen:
          if (HIWORD(wParam) == BN_CLICKED) {
            std::string chosen = ChooseSoundFile(dialog);
            if (!chosen.empty()) SetDlgItemTextA(dialog, IDC_edSoundName, chosen.c_str());
          }
          return TRUE;
        case IDOK:
          form->sound->fileName = WindowText(GetDlgItem(dialog, IDC_edSoundName));
          form->sound->volume = static_cast<int>(SendDlgItemMessageA(dialog, IDC_tbVolume, TBM_GETPOS, 0, 0));
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:  // Escape from any control, or the close button
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      TrimWorkingSet();  // FormClose
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::string ChooseSoundFile(HWND owner) {
  std::string folder = ProgramFolder();
  std::string start = folder + "\\Schemes";
  std::vector<char> file(32768, '\0');
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Wave\0*.Wav\0All Files\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = start.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  dialog.FlagsEx = OFN_EX_NOPLACESBAR;
  if (!GetOpenFileNameA(&dialog)) return "";
  return PathForScheme(file.data(), folder);
}

bool EditKeySoundDialog(HWND owner, const std::string& keyName, KeySound& sound) {
  TfrmKey form{keyName, &sound};
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KEY), owner, GuardedDialogProc<KeyProc>,
                         reinterpret_cast<LPARAM>(&form)) == IDOK;
}
